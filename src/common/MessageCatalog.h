#pragma once
#include <string>

namespace tess {

// Every text the program shows in its message box, by code; empty for codes it has no text for.
std::wstring GetMessageText(long code);

}  // namespace tess
