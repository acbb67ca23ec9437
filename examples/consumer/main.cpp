// Evaluates one point with the kelvoran library and prints what coexists there.
#include <kelvoran/Calculator.h>

#include <cstdio>
#include <string>

namespace {

void print(const char* name, const kelvoran::PhaseRecord& phase) {
    std::printf(
        "  %-6s x = %.6g, density = %.6g kg/m3, molar volume = %.6g cm3/mol, "
        "cp = %.6g J/(kg K)\n",
        name, phase.composition, phase.density, phase.molarVolume, phase.heatCapacity);
}

}  // namespace

int main() {
    kelvoran::Calculator calculator;  // one per thread
    const double temperatureC = 25.0;
    const double pressureBar = 1.0;
    const double composition = 0.01;  // mole fraction NaCl
    const kelvoran::PointResult result =
        calculator.evaluate(temperatureC, pressureBar, composition);

    std::printf("T = %g °C, P = %g bar, x = %g: state %d (%s)%s\n", temperatureC, pressureBar,
                composition, static_cast<int>(result.phases),
                std::string(kelvoran::shortName(result.phases)).c_str(),
                kelvoran::inFittedRange(temperatureC, pressureBar, composition)
                    ? ""
                    : ", outside the fitted range");
    if (result.hasLiquid()) print("liquid", result.liquid);
    if (result.hasVapor()) print("vapor", result.vapor);
    if (result.hasHalite()) print("halite", result.halite);
    return 0;
}
