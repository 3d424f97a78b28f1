// Exact fixed-point decimal text of a double. A finite double is M * 2^E with an integer M;
// for E < 0 that is M * 5^-E / 10^-E, so the decimal digits of the integer M * 5^-E are the
// exact digits of the value with the point -E places from the right. Rounding then works on
// those exact digits.
#include "database/distance_format.h"
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace cadhost {

namespace {

/// A non-negative integer in base 10^9, least significant limb first.
class DecimalInteger {
public:
    explicit DecimalInteger(std::uint64_t value)
    {
        do {
            m_limbs.push_back(static_cast<std::uint32_t>(value % kBase));
            value /= kBase;
        } while (value != 0);
    }
    /// Multiplies by factor (at most 2^32).
    void multiply(std::uint64_t factor)
    {
        std::uint64_t carry = 0;
        for (std::uint32_t& limb : m_limbs) {
            const std::uint64_t product = limb * factor + carry;
            limb = static_cast<std::uint32_t>(product % kBase);
            carry = product / kBase;
        }
        while (carry != 0) {
            m_limbs.push_back(static_cast<std::uint32_t>(carry % kBase));
            carry /= kBase;
        }
    }
    /// Multiplies by base^exponent, in steps that stay within 2^32.
    void multiplyByPower(std::uint64_t base, int exponent, std::uint64_t step, int stepExponent)
    {
        for (; exponent >= stepExponent; exponent -= stepExponent)
            multiply(step);
        for (; exponent > 0; --exponent)
            multiply(base);
    }
    std::string digits() const
    {
        std::string text = std::to_string(m_limbs.back());
        for (auto it = m_limbs.rbegin() + 1; it != m_limbs.rend(); ++it) {
            const std::string limb = std::to_string(*it);
            text += std::string(9 - limb.size(), '0') + limb;
        }
        return text;
    }

private:
    static constexpr std::uint64_t kBase = 1000000000;
    std::vector<std::uint32_t> m_limbs;
};

/// Adds one to the decimal digits in text (which holds only digits), growing it when needed.
void incrementDigits(std::string& text)
{
    for (auto it = text.rbegin(); it != text.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    text.insert(text.begin(), '1');
}

}  // namespace

int decimalsForUnitsSelector(int unitsSelector)
{
    return unitsSelector >= 0 && unitsSelector <= 8 ? unitsSelector : 4;
}

std::string formatFixedDecimal(double value, int decimals)
{
    if (!std::isfinite(value))
        return std::string();
    if (decimals < 0)
        decimals = 0;
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    // |value| = mantissa * 2^(exponent - 53), the mantissa an integer below 2^53.
    const auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int binaryExponent = exponent - 53;
    DecimalInteger exact(mantissa);
    int fractionDigits = 0;
    if (binaryExponent >= 0) {
        exact.multiplyByPower(2, binaryExponent, std::uint64_t(1) << 31, 31);
    } else {
        fractionDigits = -binaryExponent;
        exact.multiplyByPower(5, fractionDigits, 1220703125, 13);  // 5^13 < 2^32
    }
    std::string digits = exact.digits();
    if (static_cast<int>(digits.size()) <= fractionDigits)
        digits.insert(0, fractionDigits + 1 - digits.size(), '0');
    // digits = integer part followed by fractionDigits exact decimals.
    const std::size_t integerLength = digits.size() - fractionDigits;
    std::string kept = digits.substr(0, integerLength + std::min(decimals, fractionDigits));
    if (decimals > fractionDigits)
        kept.append(decimals - fractionDigits, '0');
    else if (decimals < fractionDigits && digits[integerLength + decimals] >= '5')
        incrementDigits(kept);  // half or more of the last kept unit: away from zero
    std::string integerPart = kept.substr(0, kept.size() - decimals);
    const std::string decimalPart = kept.substr(kept.size() - decimals);
    const std::size_t firstNonZero = integerPart.find_first_not_of('0');
    integerPart = firstNonZero == std::string::npos ? "0" : integerPart.substr(firstNonZero);
    const bool roundsToZero = kept.find_first_not_of('0') == std::string::npos;
    std::string text = (std::signbit(value) && !roundsToZero) ? "-" : "";
    text += integerPart;
    if (decimals > 0)
        text += "." + decimalPart;
    return text;
}

}  // namespace cadhost
