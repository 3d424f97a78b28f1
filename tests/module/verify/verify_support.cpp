#include "verify_support.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace verify {

std::string number(double value)
{
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string point2(double x, double y)
{
    return number(x) + "," + number(y);
}

namespace {

bool allDigits(const std::string& text)
{
    return text.find_first_not_of("0123456789") == std::string::npos;
}

/// The digits of text from its first one that is not zero (none for zero).
std::size_t significantDigits(const std::string& digits)
{
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string::npos ? 0 : digits.size() - first;
}

}  // namespace

void checkPrintedLength(const std::string& printed, char separator, int decimals,
                        bool zerosSuppressed, reference::Real truth, reference::Real slack,
                        const std::string& kind, std::vector<Mismatch>& found)
{
    std::string text = printed;
    const std::size_t point = text.find(separator);
    if (point != std::string::npos)
        text[point] = '.';
    const std::size_t dot = text.find('.');
    const std::string whole = text.substr(text.rfind('-', 0) == 0 ? 1 : 0, dot);
    const std::string fraction = dot == std::string::npos ? "" : text.substr(dot + 1);
    if (whole.empty() || !allDigits(whole) || !allDigits(fraction) ||
        (dot != std::string::npos && fraction.empty())) {
        found.push_back({kind + "-format", "not a plain number: \"" + printed + "\""});
        return;
    }
    // LUPREC decimals, fewer when the whole digits leave a double's digits fewer places.
    const int wholeDigits = static_cast<int>(significantDigits(whole));
    const int allowed = std::max(0, std::min(decimals, kSignificantDigits - wholeDigits));
    const int shown = static_cast<int>(fraction.size());
    // Whole digits beyond a double's stand for the magnitude only: they are zeros.
    const std::size_t beyond = std::max(0, wholeDigits - kSignificantDigits);
    const bool zerosBeyond =
        whole.find_first_not_of('0', whole.size() - beyond) == std::string::npos;
    if (shown > allowed || (!zerosSuppressed && shown != allowed) || !zerosBeyond) {
        std::ostringstream detail;
        detail << "\"" << printed << "\" shows " << shown << " decimals, " << allowed
               << " expected (LUPREC " << decimals << ")";
        found.push_back({kind + "-format", detail.str()});
    }
    // One unit of the last digit a double holds: the last decimal allowed, or the last
    // significant whole digit of a longer number.
    const int unitExponent =
        wholeDigits > kSignificantDigits ? wholeDigits - kSignificantDigits : -allowed;
    const reference::Real unit = std::pow(10.0L, static_cast<reference::Real>(unitExponent));
    const reference::Real error = std::fabs(std::strtold(text.c_str(), nullptr) - truth);
    if (!(error <= unit + slack)) {
        std::ostringstream detail;
        detail.precision(21);
        detail << "\"" << printed << "\" for " << truth << " (off by " << error << ", allowed "
               << unit + slack << ")";
        found.push_back({kind, detail.str()});
    }
}

}  // namespace verify
