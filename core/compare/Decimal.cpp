#include "Decimal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>

namespace
{
int digitAt(const Decimal &number, int power)
{
    const int length = int(number.digits.size());
    if (power < number.exponent || power >= number.exponent + length)
        return 0;
    return number.digits[size_t(length - 1 - (power - number.exponent))] - '0';
}

// The order of |a| and |b|.
int compareMagnitudes(const Decimal &a, const Decimal &b)
{
    if (a.isZero() || b.isZero())
        return a.isZero() == b.isZero() ? 0 : a.isZero() ? -1 : 1;
    const int topA = a.exponent + int(a.digits.size());
    const int topB = b.exponent + int(b.digits.size());
    if (topA != topB)
        return topA < topB ? -1 : 1;
    const int bottom = std::min(a.exponent, b.exponent);
    for (int power = topA - 1; power >= bottom; --power) {
        const int x = digitAt(a, power);
        const int y = digitAt(b, power);
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

// |a| + |b|.
Decimal addMagnitudes(const Decimal &a, const Decimal &b)
{
    if (a.isZero() || b.isZero()) {
        Decimal sum = a.isZero() ? b : a;
        sum.negative = false;
        return sum;
    }
    const int bottom = std::min(a.exponent, b.exponent);
    const int top = std::max(a.exponent + int(a.digits.size()), b.exponent + int(b.digits.size()));
    Decimal sum;
    sum.exponent = bottom;
    sum.digits.resize(size_t(top - bottom + 1));
    int carry = 0;
    for (int power = bottom; power <= top; ++power) {
        const int digit = digitAt(a, power) + digitAt(b, power) + carry;
        carry = digit / 10;
        sum.digits[size_t(top - power)] = char('0' + digit % 10);
    }
    normalizeDecimal(sum);
    return sum;
}

// A magnitude's text plus or minus one; `magnitude` is "0" or has no leading zero, and is not
// "0" when going down.
std::string stepMagnitude(std::string magnitude, int step)
{
    for (size_t i = magnitude.size(); i-- > 0;) {
        if (step > 0 && magnitude[i] != '9') {
            ++magnitude[i];
            return magnitude;
        }
        if (step < 0 && magnitude[i] != '0') {
            --magnitude[i];
            if (magnitude.size() > 1 && magnitude.front() == '0')
                magnitude.erase(0, 1);
            return magnitude;
        }
        magnitude[i] = step > 0 ? '0' : '9';
    }
    return '1' + magnitude; // 99…9 + 1
}

std::string signedText(bool negative, const std::string &magnitude)
{
    return negative && magnitude != "0" ? '-' + magnitude : magnitude;
}
} // namespace

void normalizeDecimal(Decimal &number)
{
    const size_t first = number.digits.find_first_not_of('0');
    if (first == std::string::npos) {
        number = Decimal();
        return;
    }
    const size_t last = number.digits.find_last_not_of('0');
    number.exponent += int(number.digits.size() - 1 - last);
    number.digits.erase(last + 1);
    number.digits.erase(0, first);
}

int compareDecimals(const Decimal &a, const Decimal &b)
{
    if (a.negative != b.negative)
        return a.negative ? -1 : 1;
    const int order = compareMagnitudes(a, b);
    return a.negative ? -order : order;
}

bool withinTolerance(const Decimal &a, const Decimal &b, const Decimal &tolerance)
{
    if (a == b)
        return true;
    if (tolerance.isZero())
        return false;
    // Opposite signs lie |a| + |b| apart; on one side, the larger magnitude may exceed the
    // smaller one by the tolerance at most.
    if (a.negative != b.negative && !a.isZero() && !b.isZero())
        return compareMagnitudes(addMagnitudes(a, b), tolerance) <= 0;
    const bool aLarger = compareMagnitudes(a, b) > 0;
    const Decimal &larger = aLarger ? a : b;
    const Decimal &smaller = aLarger ? b : a;
    return compareMagnitudes(larger, addMagnitudes(smaller, tolerance)) <= 0;
}

Decimal decimalOf(double value)
{
    std::array<char, 64> text{};
    const auto [end, error]
        = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::scientific);
    Decimal number;
    if (error != std::errc())
        return number;
    const char *at = text.data();
    if (*at == '-') {
        number.negative = true;
        ++at;
    }
    for (; at != end && *at != 'e'; ++at) {
        if (*at >= '0' && *at <= '9')
            number.digits.push_back(*at);
    }
    int power = 0;
    if (at != end) {
        ++at; // 'e'
        if (*at == '+')
            ++at;
        std::from_chars(at, end, power);
    }
    // d.ddd e power: the last digit stands that many places below the first.
    number.exponent = power - int(number.digits.size()) + 1;
    const bool negative = number.negative;
    normalizeDecimal(number);
    number.negative = negative && !number.isZero();
    return number;
}

int toleranceGridPower(const Decimal &tolerance)
{
    // 10^(exponent + length) is the first power of ten above the tolerance; it is at least twice
    // the tolerance unless the digits read above 0.5 (as 0.6 or 0.51 do).
    const int above = tolerance.exponent + int(tolerance.digits.size());
    const char lead = tolerance.digits.empty() ? '0' : tolerance.digits.front();
    return (lead > '5' || (lead == '5' && tolerance.digits.size() > 1)) ? above + 1 : above;
}

ToleranceCells toleranceCells(const Decimal &value, int gridPower)
{
    // |value| / 10^g, cut: the digits at powers of g and above.
    const int length = int(value.digits.size());
    const int kept = value.exponent + length - std::max(gridPower, value.exponent);
    std::string whole = "0";
    if (!value.isZero() && kept > 0)
        whole
            = value.digits.substr(0, size_t(kept)) + std::string(size_t(std::max(0, value.exponent - gridPower)), '0');
    const bool rest = !value.isZero() && value.exponent < gridPower; // digits below the grid's power
    const int below = digitAt(value, gridPower - 1);
    if (!value.negative) {
        // Past the middle of its cell when the remainder is at least half the width.
        const bool upper = below >= 5;
        return {whole, upper ? stepMagnitude(whole, 1) : whole == "0" ? std::string("-1") : stepMagnitude(whole, -1)};
    }
    if (!rest)
        return {signedText(true, whole), signedText(true, stepMagnitude(whole, 1))};
    // floor of a negative value with a remainder r is one cell further down; the value lies in
    // the upper half of that cell when r is at most half the width.
    const std::string own = stepMagnitude(whole, 1);
    const bool upper = below < 5 || (below == 5 && value.exponent == gridPower - 1);
    return {signedText(true, own), signedText(true, upper ? whole : stepMagnitude(own, 1))};
}
