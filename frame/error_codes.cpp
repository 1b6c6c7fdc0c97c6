#include "frame/error_codes.hpp"

#include "kavro/c/base.h"

namespace kavro {

int cErrorCodeFor(HostErrorCode code) noexcept {
    switch (code) {
        case HostErrorCode::FieldNotFound:
            return KAVRO_ERROR_FIELD_NOT_FOUND;
        case HostErrorCode::EmptyValue:
            return KAVRO_ERROR_EMPTY_VALUE;
        case HostErrorCode::NotANumber:
            return KAVRO_ERROR_NOT_A_NUMBER;
        case HostErrorCode::Overflow:
            return KAVRO_ERROR_OVERFLOW;
        case HostErrorCode::InvalidOperation:
            return KAVRO_ERROR_INVALID_OPERATION;
        case HostErrorCode::DatabaseError:
            return KAVRO_ERROR_DATABASE;
        case HostErrorCode::OutOfRange:
            return KAVRO_ERROR_OUT_OF_RANGE;
    }
    return KAVRO_ERROR_OTHER;
}

HostErrorCode hostErrorCodeFor(int cCode) noexcept {
    switch (cCode) {
        case KAVRO_ERROR_FIELD_NOT_FOUND:
            return HostErrorCode::FieldNotFound;
        case KAVRO_ERROR_EMPTY_VALUE:
            return HostErrorCode::EmptyValue;
        case KAVRO_ERROR_NOT_A_NUMBER:
            return HostErrorCode::NotANumber;
        case KAVRO_ERROR_OVERFLOW:
            return HostErrorCode::Overflow;
        case KAVRO_ERROR_INVALID_OPERATION:
            return HostErrorCode::InvalidOperation;
        default:
            return HostErrorCode::DatabaseError;
    }
}

}  // namespace kavro
