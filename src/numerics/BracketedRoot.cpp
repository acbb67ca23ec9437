#include "numerics/BracketedRoot.h"

#include <array>
#include <boost/math/tools/toms748_solve.hpp>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace kelvoran {

double bracketedRoot(const std::function<double(double)>& f, double lower, double upper,
                     double fLower, double fUpper) {
    if (fLower == 0.0) return lower;
    if (fUpper == 0.0) return upper;
    // The last values of f are kept, so that choosing the better end of the final bracket
    // costs no further evaluation.
    std::array<std::pair<double, double>, 8> seen;
    seen.fill({lower, fLower});
    seen[1] = {upper, fUpper};
    std::size_t next = 2;
    const auto kept = [&](double z) {
        const double fz = f(z);
        seen[next] = {z, fz};
        next = (next + 1) % seen.size();
        return fz;
    };
    const auto valueAt = [&](double z) {
        for (const auto& s : seen) {
            if (s.first == z) return s.second;
        }
        return f(z);
    };
    std::uintmax_t iterations = 200;
    const auto close = [](double a, double b) {
        return std::fabs(b - a) <=
               4.0 * std::numeric_limits<double>::epsilon() * std::fmax(std::fabs(a), 1e-300);
    };
    const std::pair<double, double> bracket =
        boost::math::tools::toms748_solve(kept, lower, upper, fLower, fUpper, close, iterations);
    const double first = std::fabs(valueAt(bracket.first));
    const double second = std::fabs(valueAt(bracket.second));
    return first <= second ? bracket.first : bracket.second;
}

}  // namespace kelvoran
