#include "water/WaterValidity.h"

#include <cmath>

namespace kelvoran {

namespace {

constexpr double kTriplePointTemperatureK = 273.16;
constexpr double kTriplePointPressureMPa = 0.000611657;  // of the ice equations

// theta^n for a positive integer n, as a product of n factors.
double integerPower(double theta, int n) {
    double result = theta;
    for (int i = 1; i < n; ++i) result *= theta;
    return result;
}

// p_b (1 − a_b (1 − theta^n_b)) with theta = T / T_b.
double iceMeltingBranch(double T, double tB, double pB, double aB, int nB) {
    const double theta = T / tB;
    return pB * (1.0 - aB * (1.0 - integerPower(theta, nB)));
}

}  // namespace

double sublimationPressure(double temperatureK) {
    const double theta = temperatureK / kTriplePointTemperatureK;
    return kTriplePointPressureMPa * std::exp(-13.928169 * (1.0 - std::pow(theta, -1.5)) +
                                              34.7078238 * (1.0 - std::pow(theta, -1.25)));
}

double meltingPressureIceIh(double temperatureK) {
    const double theta = temperatureK / kTriplePointTemperatureK;
    return kTriplePointPressureMPa * (1.0 - 626000.0 * (1.0 - 1.0 / integerPower(theta, 3)) +
                                      197135.0 * (1.0 - std::pow(theta, 21.2)));
}

double meltingPressureHighIce(double temperatureK) {
    const double T = temperatureK;
    if (T < 256.164) return iceMeltingBranch(T, 251.165, 209.9, 0.295252, 60);  // ice III
    if (T < 273.31) return iceMeltingBranch(T, 256.164, 350.1, 1.18721, 8);     // ice V
    if (T < 355.0) {                                                            // ice VI
        const double theta = T / 273.31;
        return 632.4 * (1.0 - 1.07476 * (1.0 - std::pow(theta, 4.6)));
    }
    const double theta = T / 355.0;  // ice VII
    return 2216.0 *
           std::exp(1.73683 * (1.0 - 1.0 / theta) - 0.0544606 * (1.0 - integerPower(theta, 5)) +
                    8.06106e-8 * (1.0 - integerPower(theta, 22)));
}

bool inRangeTP(double temperatureK, double pressureMPa) {
    const double T = temperatureK;
    const double p = pressureMPa;
    // Written so that a NaN input is out of range.
    if (!(T >= 260.0 && T <= 2500.0 && p >= 1e-6 && p <= 3000.0)) return false;
    if (p < 209.9) {
        if (T > kTriplePointTemperatureK) return true;
        if (p <= sublimationPressure(T)) return true;
        return p >= meltingPressureIceIh(T);
    }
    if (T > 413.0) return true;
    return p <= meltingPressureHighIce(T);
}

bool inIceField(double temperatureK, double pressureMPa) {
    const double T = temperatureK;
    const double p = pressureMPa;
    return p >= 1e-6 && p <= 3000.0 && T < 413.0 && !inRangeTP(T, p);
}

bool inRangeTRho(double temperatureK, double densityGcm3) {
    const double T = temperatureK;
    const double rho = densityGcm3;
    return T >= 260.0 && T <= 2500.0 && rho >= 2.220446049250313e-16 && rho <= 1.8;
}

}  // namespace kelvoran
