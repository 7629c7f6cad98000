#include "app/AppVersion.h"

#include "app/BuildVersion.h"

namespace vesk {

const wchar_t kProgramVersion[] = L"" VESK_VERSION_TEXT;
const wchar_t kReleaseDate[] = L"" VESK_RELEASE_DATE_TEXT;

} // namespace vesk
