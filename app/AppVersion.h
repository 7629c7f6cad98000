// The program's name and version, as the console usage text and the About box show them.
#pragma once

namespace vesk {

extern const wchar_t kProgramName[];
extern const wchar_t kProgramVersion[];

} // namespace vesk
