#include "app/AppVersion.h"

namespace vesk {

const wchar_t kProgramVersion[] = L"0.1.0";

} // namespace vesk
