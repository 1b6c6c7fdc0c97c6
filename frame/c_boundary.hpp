// What every C export shares: the record-set handle, the thread's last error, and the guards
// that keep C++ exceptions from crossing into C.
#pragma once

#include <exception>
#include <memory>
#include <string>

#include "kavro/encoder.hpp"
#include "kavro/kavro_public.h"
#include "kavro/record_set.hpp"

struct kavro_recordset {
    std::unique_ptr<kavro::RecordSet> set;
};

namespace kavro {

void clearLastError() noexcept;
void setLastError(int code, const std::string& message) noexcept;
// Records the exception in flight (call from a catch block).
void recordCurrentException() noexcept;
// Records why an encoder sent nothing; a command that went out leaves the last error alone.
void recordRefusal(const SendResult& result) noexcept;

// The C++ record set behind a handle; raises when the handle is null.
RecordSet& recordSetOf(kavro_recordset* handle);

// For exports whose failures end as their documented result and nothing else.
template <class Result, class Body>
Result callQuietly(Result fallback, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return fallback;
    }
}

// For exports that report what ends them through the thread's last error.
template <class Result, class Body>
Result callReporting(Result fallback, Body&& body) noexcept {
    clearLastError();
    try {
        return body();
    } catch (...) {
        recordCurrentException();
        return fallback;
    }
}

template <class Body>
void callReporting(Body&& body) noexcept {
    clearLastError();
    try {
        body();
    } catch (...) {
        recordCurrentException();
    }
}

}  // namespace kavro
