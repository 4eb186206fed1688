#include "GridError.h"

const char *GridError::what() const noexcept
{
    switch (m_code) {
    case GridErrorCode::Overflow:
        return "overflow";
    case GridErrorCode::OutOfMemory:
        return "out of memory";
    case GridErrorCode::SubscriptOutOfRange:
        return "subscript out of range";
    case GridErrorCode::InvalidValue:
        return "invalid property value";
    case GridErrorCode::InvalidRow:
        return "invalid row value";
    case GridErrorCode::InvalidCol:
        return "invalid column value";
    }
    return "grid error";
}
