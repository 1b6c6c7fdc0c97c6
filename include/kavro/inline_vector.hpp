// A vector of trivially copyable elements whose first N live inside the object, so that a short
// list (an encoder's script: a few events, a few dozen bytes) is built without an allocation.
// Beyond N the elements move to the heap, growing as std::vector does.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>

namespace kavro {

template <class T, std::size_t N>
class InlineVector {
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T> && N > 0);

  public:
    InlineVector() noexcept = default;
    InlineVector(const InlineVector& other) { append(other.data(), other.size()); }
    InlineVector(InlineVector&& other) noexcept { take(other); }
    InlineVector& operator=(const InlineVector& other) {
        if (this != &other) {
            clear();
            append(other.data(), other.size());
        }
        return *this;
    }
    InlineVector& operator=(InlineVector&& other) noexcept {
        if (this != &other) {
            heap_.reset();
            take(other);
        }
        return *this;
    }
    ~InlineVector() = default;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    T& operator[](std::size_t i) noexcept { return data_[i]; }
    const T& operator[](std::size_t i) const noexcept { return data_[i]; }
    T& at(std::size_t i) {
        if (i >= size_) throw std::out_of_range("InlineVector::at");
        return data_[i];
    }

    void clear() noexcept { size_ = 0; }
    void reserve(std::size_t n) {
        if (n > capacity_) grow(n);
    }
    void push_back(const T& value) {
        if (size_ == capacity_) grow(2 * capacity_);
        data_[size_++] = value;
    }
    void append(const T* first, std::size_t n) {
        if (n == 0) return;
        if (n > capacity_ - size_) grow(std::max(size_ + n, 2 * capacity_));
        std::memcpy(data_ + size_, first, n * sizeof(T));
        size_ += n;
    }

  private:
    void grow(std::size_t n) {
        auto bigger = std::make_unique_for_overwrite<T[]>(n);
        if (size_ != 0) std::memcpy(bigger.get(), data_, size_ * sizeof(T));
        heap_ = std::move(bigger);
        data_ = heap_.get();
        capacity_ = n;
    }
    // Takes other's elements (its heap block, or a copy of its inline ones) and empties it.
    void take(InlineVector& other) noexcept {
        if (other.heap_) {
            heap_ = std::move(other.heap_);
            data_ = heap_.get();
            capacity_ = other.capacity_;
        } else {
            if (other.size_ != 0) std::memcpy(inline_, other.inline_, other.size_ * sizeof(T));
            data_ = inline_;
            capacity_ = N;
        }
        size_ = other.size_;
        other.data_ = other.inline_;
        other.capacity_ = N;
        other.size_ = 0;
    }

    // Raw room, left uninitialised (an array of T would run T's member initialisers for all N
    // on every construction); elements are written before they are read.
    alignas(T) unsigned char room_[N * sizeof(T)];
    T* const inline_ = reinterpret_cast<T*>(room_);
    std::unique_ptr<T[]> heap_;
    T* data_ = inline_;
    std::size_t size_ = 0;
    std::size_t capacity_ = N;
};

}  // namespace kavro
