// The host's counted, reference-counted 8-bit string (system code page bytes, GBK for Chinese
// text). The empty string is the null handle, as in the host framework, so a string argument
// of NULL is simply the empty text. Counts are atomic: host and library may share a string
// across threads, and either side may release the last reference.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

struct kavro_string;

namespace kavro {

class AnsiString {
  public:
    AnsiString() = default;
    explicit AnsiString(std::string_view bytes);
    AnsiString(const AnsiString& other) noexcept;
    AnsiString(AnsiString&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    AnsiString& operator=(AnsiString other) noexcept {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~AnsiString();

    // Takes over one reference the caller holds.
    static AnsiString adopt(kavro_string* handle) noexcept;
    // Takes a reference of its own (the callee's reference of a by-value argument).
    static AnsiString share(kavro_string* handle) noexcept;

    std::string_view view() const noexcept;
    std::string str() const { return std::string(view()); }
    std::size_t size() const noexcept { return view().size(); }
    bool empty() const noexcept { return handle_ == nullptr; }

    kavro_string* handle() const noexcept { return handle_; }
    // Gives the reference up to the caller.
    kavro_string* detach() noexcept {
        kavro_string* h = handle_;
        handle_ = nullptr;
        return h;
    }

  private:
    kavro_string* handle_ = nullptr;
};

// The C-level operations behind AnsiString, shared with the C API.
namespace ansi {
kavro_string* create(const char* bytes, std::size_t length);  // null for length 0
kavro_string* retain(kavro_string* s) noexcept;
void release(kavro_string* s) noexcept;
const char* data(const kavro_string* s) noexcept;  // "" for null; always zero-terminated
std::size_t length(const kavro_string* s) noexcept;
long refCount(const kavro_string* s) noexcept;  // 0 for null
// Stores value into *slot the way the host assigns a string field: retain new, release old.
void assign(kavro_string** slot, kavro_string* value) noexcept;
}  // namespace ansi

}  // namespace kavro
