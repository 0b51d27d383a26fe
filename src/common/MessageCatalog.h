#pragma once
// Every text the program shows to the user, by message code (1 to 1011). Callers never spell a
// message themselves: they ask for a code, may append their own part (a name, a reason) and pass
// the result to the message box. Codes 23 and 24 are the two halves around a name.
#include <string>
#include <vector>

namespace tess {

// The text of the code, or the empty text for a code the catalog has no text for (0, negative,
// above 1011, or one of the codes no window of this program uses). Never fails.
std::wstring GetMessageText(long code);

}  // namespace tess
