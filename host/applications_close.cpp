#include "host/code_page.hpp"
#include "host/x11_display.hpp"
#include "kavro/applications.hpp"

namespace kavro {

CloseResult closeApplication(std::string_view title) {
    // Window titles are UTF-8 on X; the caller's text is in the system code page.
    return x11::askWindowToClose(gbkToUtf8(title));
}

std::string x11ClientProblem() {
    return x11::libraryProblem();
}

}  // namespace kavro
