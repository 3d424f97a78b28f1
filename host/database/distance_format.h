// The architecture library's distance text: fixed-point decimals, rounded exactly.
#pragma once
#include <string>

namespace cadhost {

/// The number of decimals for a units selector: the selector itself for 0 to 8 (the range of
/// LUPREC), 4 for -1 ("no context") and for any other value.
int decimalsForUnitsSelector(int unitsSelector);

/// value written with exactly `decimals` digits after a '.', rounded half away from zero on
/// the exact binary value of the double (so 0.125 gives "0.13" with 2 decimals, while 2.675,
/// stored as 2.67499999..., gives "2.67"). No group separators; '-' before a negative value
/// unless it rounds to zero. Not-a-number and infinities give "".
std::string formatFixedDecimal(double value, int decimals);

}  // namespace cadhost
