#include "common/Version.h"

#include "TessaronVersion.h"

namespace tess {

std::wstring ProgramVersion() {
    const char* text = TESS_VERSION_TEXT;
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

}  // namespace tess
