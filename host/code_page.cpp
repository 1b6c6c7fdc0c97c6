#include "host/code_page.hpp"

#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cstdint>
#include <vector>

namespace kavro {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(::iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) ::iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return cd_; }

  private:
    iconv_t cd_;
};

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// One code point from the front of a UTF-8 text. An invalid byte is returned on its own, marked
// above the Unicode range so that it equals only the same invalid byte.
char32_t nextCodePoint(std::string_view& text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
        length = 1;
        c = lead;
    } else if (lead >= 0xC2 && lead < 0xE0) {
        length = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead < 0xF0) {
        length = 3;
        c = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead < 0xF5) {
        length = 4;
        c = lead & 0x07u;
    }
    bool valid = length != 0 && length <= text.size();
    for (std::size_t i = 1; valid && i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) valid = false;
        c = (c << 6) | (byte(i) & 0x3Fu);
    }
    if (!valid) {
        text.remove_prefix(1);
        return 0x110000 + lead;
    }
    text.remove_prefix(length);
    return c;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
    Converter converter("UTF-8", "GBK");
    if (!converter.ok()) {
        // Without a GBK table only ASCII can be trusted.
        std::string out;
        for (char c : gbk) {
            if (static_cast<unsigned char>(c) < 0x80) {
                out.push_back(c);
            } else {
                out.append(kReplacement);
            }
        }
        return out;
    }
    std::string out;
    std::vector<char> buffer(gbk.size() * 4 + 16);
    std::string_view rest = gbk;
    while (!rest.empty()) {
        char* in = const_cast<char*>(rest.data());
        std::size_t inLeft = rest.size();
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        const std::size_t done = ::iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), static_cast<std::size_t>(outPtr - buffer.data()));
        rest.remove_prefix(rest.size() - inLeft);
        if (done == static_cast<std::size_t>(-1) && !rest.empty()) {
            if (errno == E2BIG) continue;
            // EILSEQ or a lead byte cut off at the end (EINVAL): one replacement per bad byte.
            out.append(kReplacement);
            rest.remove_prefix(1);
            ::iconv(converter.get(), nullptr, nullptr, nullptr, nullptr);
        }
    }
    return out;
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::string out;
    for (char c : latin1)
        appendUtf8(out, static_cast<unsigned char>(c));
    return out;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    // The C.UTF-8 locale carries the Unicode case tables; the C locale only ASCII's.
    const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    const auto upper = [&](char32_t c) -> char32_t {
        if (c >= 0x110000) return c;
        if (utf8 == static_cast<locale_t>(nullptr)) {
            return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c;
        }
        return static_cast<char32_t>(::towupper_l(static_cast<wint_t>(c), utf8));
    };
    bool equal = true;
    while (equal && !a.empty() && !b.empty()) {
        equal = upper(nextCodePoint(a)) == upper(nextCodePoint(b));
    }
    equal = equal && a.empty() && b.empty();
    if (utf8 != static_cast<locale_t>(nullptr)) ::freelocale(utf8);
    return equal;
}

}  // namespace kavro
