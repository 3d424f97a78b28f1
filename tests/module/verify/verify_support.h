// What the two differential checks share: seeded random numbers, script numbers, findings by
// kind, the module's resource texts, and the check of a printed length against the true one.
#pragma once
#include "reference_geometry.h"

#include <random>
#include <string>
#include <vector>

namespace verify {

/// One disagreement between the commands and the reference.
struct Mismatch {
    std::string kind;
    std::string detail;
};

/// Random choices of one case, from its own seed.
class Random {
public:
    explicit Random(unsigned long long seed) : m_engine(seed) {}
    double uniform(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(m_engine);
    }
    /// Uniform in the logarithm: every decade between low and high as likely.
    double logUniform(double low, double high)
    {
        return std::exp(uniform(std::log(low), std::log(high)));
    }
    bool chance(double probability) { return uniform(0.0, 1.0) < probability; }
    int below(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_engine); }
    double sign() { return chance(0.5) ? 1.0 : -1.0; }

private:
    std::mt19937_64 m_engine;
};

/// A double as a script writes it: every digit needed to read back the same double.
std::string number(double value);
/// "x,y" of a point of the current UCS's XY plane.
std::string point2(double x, double y);

/// The module's resource texts the checks look for (UTF-8).
struct ModuleTexts {
    std::string replacedWarning;   ///< an extension point was replaced by an arc end
    std::string notComputable;     ///< the three-point arc cannot be computed
    std::string lengthLabel;       ///< in front of the three-point arc length
};

/// The most significant digits a printed length may show.
constexpr int kSignificantDigits = 15;

/// Checks a printed decimal number (its decimal separator given) against the true value:
/// plain decimal form, at most `decimals` decimals and kSignificantDigits significant digits,
/// exactly that many decimals unless trailing zeros may be suppressed, and a value within one
/// unit of its last digit plus `slack` of the true one. Appends what it finds, under kind.
void checkPrintedLength(const std::string& printed, char separator, int decimals,
                        bool zerosSuppressed, reference::Real truth, reference::Real slack,
                        const std::string& kind, std::vector<Mismatch>& found);

}  // namespace verify
