// Conversions between the system code page (GBK) and the UTF-8 that X window titles and the
// dialog program use.
#pragma once

#include <string>
#include <string_view>

namespace kavro {

// GBK bytes as UTF-8. A byte sequence that is not GBK becomes U+FFFD, one per byte, and the
// conversion goes on after it.
std::string gbkToUtf8(std::string_view gbk);

// ISO 8859-1 bytes (the X STRING type) as UTF-8.
std::string latin1ToUtf8(std::string_view latin1);

// Compares two UTF-8 texts without regard to letter case (Unicode simple upper-casing, code
// point by code point). Invalid UTF-8 bytes compare as themselves.
bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace kavro
