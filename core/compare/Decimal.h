#pragma once

#include <string>

// A decimal number held exactly, as a cell writes it: the numeric reading compares values by
// these, never by binary floating point, so that 9007199254740993 and 9007199254740992 differ
// and 1.1 lies exactly 0.1 from 1.0.
//
// The value is (negative ? -1 : 1) x digits x 10^exponent. The digits carry neither leading nor
// trailing zeros, so that every value has exactly one form; zero has no digits, exponent 0 and is
// never negative.
struct Decimal
{
    bool negative = false;
    std::string digits; // '0'–'9'
    int exponent = 0;

    [[nodiscard]] bool isZero() const
    {
        return digits.empty();
    }

    friend bool operator==(const Decimal &, const Decimal &) = default;
};

// Brings `number`, whose digits may have leading and trailing zeros, to its one form.
void normalizeDecimal(Decimal &number);

// -1, 0 or 1 as `a` is less than, equal to or greater than `b`.
[[nodiscard]] int compareDecimals(const Decimal &a, const Decimal &b);

// Whether |a - b| <= tolerance, exactly; `tolerance` is not negative.
[[nodiscard]] bool withinTolerance(const Decimal &a, const Decimal &b, const Decimal &tolerance);

// The shortest decimal that reads back as `value` (finite): what a tolerance kept as a double
// means, the same text the settings file and the summary show for it ("0.1", not
// 0.1000000000000000055…).
[[nodiscard]] Decimal decimalOf(double value);

// Grouping values for a tolerance: a width 10^g of at least twice `tolerance` (positive), the
// cell of `value` in a grid of that width (floor(value / 10^g), as an integer's text), and the
// neighbouring cell on the side `value` is nearer to. A value within the tolerance of `value`
// lies in one of the two.
struct ToleranceCells
{
    std::string own;
    std::string neighbour;
};
[[nodiscard]] int toleranceGridPower(const Decimal &tolerance);
[[nodiscard]] ToleranceCells toleranceCells(const Decimal &value, int gridPower);
