// The program's version and release date, as --version, the About box and the
// version resource show them. Both are set once, in CMakeLists.txt.
#pragma once

namespace vesk {

extern const wchar_t kProgramVersion[]; // "0.1.0"
extern const wchar_t kReleaseDate[];    // "2026-12-07"

} // namespace vesk
