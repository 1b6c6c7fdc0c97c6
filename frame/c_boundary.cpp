#include "frame/c_boundary.hpp"

#include <stdexcept>

#include "frame/error_codes.hpp"
#include "kavro/host_error.hpp"

namespace kavro {
namespace {
thread_local int lastCode = KAVRO_ERROR_NONE;
thread_local std::string lastMessage;

int codeFor(Refusal refusal) {
    switch (refusal) {
        case Refusal::None:
            return KAVRO_ERROR_NONE;
        case Refusal::NoRow:
            return KAVRO_ERROR_NO_ROW;
        case Refusal::LookupFailed:
            return KAVRO_ERROR_DATABASE;
        case Refusal::MissingField:
            return KAVRO_ERROR_FIELD_NOT_FOUND;
        case Refusal::EmptyValue:
            return KAVRO_ERROR_EMPTY_VALUE;
        case Refusal::NotANumber:
            return KAVRO_ERROR_NOT_A_NUMBER;
        case Refusal::ValueOutOfRange:
            return KAVRO_ERROR_OVERFLOW;
        case Refusal::CameraOutOfRange:
            return KAVRO_ERROR_BAD_CAMERA;
        case Refusal::NegativeLength:
        case Refusal::LengthTooLarge:
            return KAVRO_ERROR_BAD_LENGTH;
        case Refusal::ReadFailed:
            return KAVRO_ERROR_OTHER;
    }
    return KAVRO_ERROR_OTHER;
}
}  // namespace

void recordRefusal(const SendResult& result) noexcept {
    if (!result.sent()) setLastError(codeFor(result.refusal), result.message);
}

void clearLastError() noexcept {
    lastCode = KAVRO_ERROR_NONE;
    lastMessage.clear();
}

void setLastError(int code, const std::string& message) noexcept {
    lastCode = code;
    try {
        lastMessage = message;
    } catch (...) {
        lastMessage.clear();
    }
}

void recordCurrentException() noexcept {
    try {
        throw;
    } catch (const HostError& error) {
        setLastError(cErrorCodeFor(error.code()), error.what());
    } catch (const std::invalid_argument& error) {
        setLastError(KAVRO_ERROR_INVALID_ARGUMENT, error.what());
    } catch (const std::exception& error) {
        setLastError(KAVRO_ERROR_OTHER, error.what());
    } catch (...) {
        setLastError(KAVRO_ERROR_OTHER, "unknown failure");
    }
}

RecordSet& recordSetOf(kavro_recordset* handle) {
    if (handle == nullptr || !handle->set) throw std::invalid_argument("the record set is NULL");
    return *handle->set;
}

}  // namespace kavro

using namespace kavro;

int KAVRO_CALL kavro_last_error_code(void) {
    return lastCode;
}

const char* KAVRO_CALL kavro_last_error_message(void) {
    return lastMessage.c_str();
}
