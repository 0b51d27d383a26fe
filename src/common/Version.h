#pragma once
#include <string>

namespace tess {

// The program's version as "major.minor.revision", set once in the build.
std::wstring ProgramVersion();

}  // namespace tess
