#include "kavro/ansi_string.hpp"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

// Layout: this header, then the bytes, then a terminating zero, in one allocation.
struct kavro_string {
    std::atomic<long> refs;
    std::size_t length;
};

namespace kavro {
namespace ansi {
namespace {
char* bytesOf(kavro_string* s) noexcept {
    return reinterpret_cast<char*>(s + 1);
}
}  // namespace

kavro_string* create(const char* bytes, std::size_t length) {
    if (length == 0) return nullptr;
    void* memory = std::malloc(sizeof(kavro_string) + length + 1);
    if (memory == nullptr) throw std::bad_alloc();
    auto* s = new (memory) kavro_string{{1}, length};
    std::memcpy(bytesOf(s), bytes, length);
    bytesOf(s)[length] = '\0';
    return s;
}

kavro_string* retain(kavro_string* s) noexcept {
    if (s != nullptr) s->refs.fetch_add(1, std::memory_order_relaxed);
    return s;
}

void release(kavro_string* s) noexcept {
    if (s != nullptr && s->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        s->~kavro_string();
        std::free(s);
    }
}

const char* data(const kavro_string* s) noexcept {
    return s == nullptr ? "" : reinterpret_cast<const char*>(s + 1);
}

std::size_t length(const kavro_string* s) noexcept {
    return s == nullptr ? 0 : s->length;
}

long refCount(const kavro_string* s) noexcept {
    return s == nullptr ? 0 : s->refs.load(std::memory_order_relaxed);
}

void assign(kavro_string** slot, kavro_string* value) noexcept {
    kavro_string* old = *slot;
    *slot = retain(value);
    release(old);
}

}  // namespace ansi

AnsiString::AnsiString(std::string_view bytes)
    : handle_(ansi::create(bytes.data(), bytes.size())) {}

AnsiString::AnsiString(const AnsiString& other) noexcept : handle_(ansi::retain(other.handle_)) {}

AnsiString::~AnsiString() {
    ansi::release(handle_);
}

AnsiString AnsiString::adopt(kavro_string* handle) noexcept {
    AnsiString s;
    s.handle_ = handle;
    return s;
}

AnsiString AnsiString::share(kavro_string* handle) noexcept {
    return adopt(ansi::retain(handle));
}

std::string_view AnsiString::view() const noexcept {
    return {ansi::data(handle_), ansi::length(handle_)};
}

}  // namespace kavro
