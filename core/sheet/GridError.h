#pragma once

#include <exception>

// An error raised by a sheet operation, as a grid control raises it. Callers choose per procedure
// whether it ends the procedure, jumps to a final restoring step, or is skipped; it never crosses
// a Qt event handler.
enum class GridErrorCode : int {
    Overflow = 6, // a row or column number above 32767
    OutOfMemory = 7, // the sheet's cell capacity would be passed
    SubscriptOutOfRange = 9, // a cell outside the sheet
    InvalidValue = 380, // a count or position that cannot be set
    InvalidRow = 30009,
    InvalidCol = 30010,
};

class GridError : public std::exception
{
public:
    explicit GridError(GridErrorCode code)
        : m_code(code)
    {
    }
    [[nodiscard]] GridErrorCode code() const noexcept
    {
        return m_code;
    }
    [[nodiscard]] int number() const noexcept
    {
        return int(m_code);
    }
    [[nodiscard]] const char *what() const noexcept override;

private:
    GridErrorCode m_code;
};

// Runs one step of an ignore-and-continue procedure: a grid error ends only this step.
template<typename Step>
bool ignoreGridErrors(Step &&step)
{
    try {
        step();
        return true;
    } catch (const GridError &) {
        return false;
    }
}
