// The program's version, as --version shows it.
#pragma once

namespace vesk {

extern const wchar_t kProgramVersion[];

} // namespace vesk
