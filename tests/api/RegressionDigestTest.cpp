// The regression guard: every field of every record, and the warnings and the fluid type of
// every point, over a fixed grid of more than 50,000 points, folded into one digest per field,
// must stay bit for bit what it was when the digests below were recorded. Any change of the model's numbers, on purpose or not, shows up
// here with the record field it touched. A deliberate change re-records the table in a commit
// of its own that says which points moved and why.
//
// The grid covers all seven phase states: a T–P–x lattice over the fitted range and beyond,
// points exactly on the three-phase curve, the critical temperature of water, x = 0 and x = 1,
// uniformly random points, and every combination of extreme values (NaN, ±inf, ±0, ±1e±300).
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"

namespace kelvoran {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Point {
    double temperatureC, pressureBar, composition;
};

// splitmix64: a fixed, portable stream of random bits.
struct RandomBits {
    std::uint64_t state;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1) with 53 random bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }
};

std::vector<Point> digestGrid() {
    std::vector<Point> grid;

    // Lattice: 61 temperatures, 45 pressures, 20 compositions.
    std::vector<double> temperatures;
    for (int i = 0; i <= 52; ++i) temperatures.push_back(i * (1000.0 / 52.0));
    for (double t : {0.01, 25.0, 373.0, 373.5, 373.9, 373.976, 374.0, 594.6324429298147, 800.7})
        temperatures.push_back(t);
    std::vector<double> pressures;
    for (int i = 0; i < 40; ++i) pressures.push_back(std::pow(5000.0, i / 39.0));
    for (double p : {0.5, 16.0, 220.54915, 390.1474443379598, 1000.0}) pressures.push_back(p);
    const std::vector<double> compositions = {0.0,  1e-12, 1e-9, 1e-7, 1e-5, 1e-4, 3e-4,
                                              1e-3, 5e-3,  0.01, 0.02, 0.05, 0.1,  0.15,
                                              0.2,  0.3,   0.5,  0.7,  0.9,  1.0};
    for (double t : temperatures)
        for (double p : pressures)
            for (double x : compositions) grid.push_back({t, p, x});

    // Exactly on the three-phase curve, from 0 °C to the melting point of NaCl.
    for (int i = 0; i <= 160; ++i) {
        const double t = i * (800.7 / 160.0);
        for (double x : {1e-9, 1e-6, 1e-3, 0.05, 0.1, 0.3, 0.9}) {
            grid.push_back({t, threePhasePressureBar(t), x});
        }
    }

    // Uniformly random points: 0–1000 °C, 1–2000 bar, x 0–1.
    RandomBits random{20261208};
    for (int i = 0; i < 2000; ++i) {
        const double t = 1000.0 * random.unit();
        const double p = 1.0 + 1999.0 * random.unit();
        const double x = random.unit();
        grid.push_back({t, p, x});
    }

    // Every combination of extreme values.
    const std::array<double, 11> extremes = {kNaN,    kInf,  -kInf,  0.0,     -0.0, 1e-300,
                                             -1e-300, 1e300, -1e300, -273.15, 1e4};
    for (double t : extremes)
        for (double p : extremes)
            for (double x : extremes) grid.push_back({t, p, x});
    return grid;
}

// FNV-1a over the 64 bits of each value, one accumulator per record field.
struct Digest {
    std::uint64_t value = 0xcbf29ce484222325ULL;
    void addBits(std::uint64_t bits) {
        for (int i = 0; i < 8; ++i) {
            value ^= (bits >> (8 * i)) & 0xffU;
            value *= 0x100000001b3ULL;
        }
    }
    // Every NaN counts as the same value: which of two NaN operands an operation passes on, and
    // so the sign of the NaN, depends on the operand order the compiler chose, not on the model.
    void add(double v) {
        addBits(std::isnan(v) ? 0x7ff8000000000000ULL : std::bit_cast<std::uint64_t>(v));
    }
};

constexpr int kFields = 12;
constexpr const char* kFieldNames[kFields] = {"temperature", "pressure",          "composition",
                                              "massPercent", "massFraction",      "density",
                                              "molarVolume", "specificEnthalpy",  "heatCapacity",
                                              "phaseState",  "phaseMassFraction", "saturation"};
constexpr const char* kRecordNames[4] = {"liquid", "vapor", "halite", "bulk"};

void addRecord(std::array<Digest, kFields>& digests, const PhaseRecord& r) {
    digests[0].add(r.temperature);
    digests[1].add(r.pressure);
    digests[2].add(r.composition);
    digests[3].add(r.massPercent);
    digests[4].add(r.massFraction);
    digests[5].add(r.density);
    digests[6].add(r.molarVolume);
    digests[7].add(r.specificEnthalpy);
    digests[8].add(r.heatCapacity);
    digests[9].addBits(static_cast<std::uint64_t>(static_cast<std::uint32_t>(r.phaseState)));
    digests[10].add(r.phaseMassFraction);
    digests[11].add(r.saturation);
}

// Recorded from the model with the bracketed fallback of the water density solve and the
// plain volume mapping for vapors, with the phase amounts and bulk values of two-phase states.
constexpr std::uint64_t kExpected[4][kFields] = {
    {0x98c9b9cb9986a4b2ULL, 0x54c3ac49c36e4267ULL, 0xf27cec5307b2039dULL, 0xac939fa1e4d5dfb6ULL,
     0xb39ed48ab5ac6953ULL, 0xd0cdc8150fe9d289ULL, 0x2a70d047506b5f77ULL, 0xb6c3913f1861d053ULL,
     0x26c307460065d778ULL, 0xcb3a503282810e40ULL, 0x9c966b54ddd75f7eULL, 0xc348c4e59094fe66ULL},
    {0xf75338ebdd330e0cULL, 0xa10fb80e09db4fddULL, 0xe0cc1380159d8041ULL, 0xfe9f1f09061e0ef7ULL,
     0x07ac85d2853f46d9ULL, 0x9978d92c66167a68ULL, 0x2da1915ecf27adcaULL, 0xcc6df887e05f7b77ULL,
     0xcbf9bd8ee927f899ULL, 0x4cf9e4ae7ee9b446ULL, 0xac1b72e775b28776ULL, 0x2831b7c34be9c7e3ULL},
    {0xd8e3a84f59cf49eeULL, 0x8ae8c39f81fb9d39ULL, 0x3d221c91e62e0858ULL, 0x4ab90d7115da1764ULL,
     0xbdd3d928ac6a0065ULL, 0xb6e9966db7741ea3ULL, 0x828593ac58ca7436ULL, 0x3df735939a838950ULL,
     0xc070e48ec3b4fe2fULL, 0xfb26178caf24a780ULL, 0x60146b168d882578ULL, 0x2fccea65cfc6a090ULL},
    {0xedf893fe420c450eULL, 0x3ba82d0e8606ee4cULL, 0xfcd6fb171a189c44ULL, 0x21a538db8d171784ULL,
     0x56f065fc70db82efULL, 0x65eaf667308fa7d9ULL, 0x918df0332430ac4cULL, 0xffdc4b0d1d578438ULL,
     0x811ade846b241783ULL, 0xfd3554787ed3a687ULL, 0x6d7021e55cb9fdc5ULL, 0x6d7021e55cb9fdc5ULL},
};
// The point's own fields: the warning bits and the fluid type code.
constexpr int kPointFields = 2;
constexpr const char* kPointFieldNames[kPointFields] = {"warnings", "fluidType"};
constexpr std::uint64_t kExpectedPoint[kPointFields] = {0x4325ad63a65512e7ULL, 0x8ef01d4329ad7125ULL};
// Points of each phase state 1..7 in the grid.
constexpr std::array<std::size_t, 8> kExpectedStates = {0,    1241,  9009, 16144,
                                                        7497, 16979, 8488, 900};

TEST(RegressionDigestTest, EveryFieldOfEveryRecordIsUnchangedOverTheGrid) {
    const std::vector<Point> grid = digestGrid();
    ASSERT_GE(grid.size(), 50000U);

    std::array<std::array<Digest, kFields>, 4> digests{};
    std::array<Digest, kPointFields> pointDigests{};
    std::array<std::size_t, 8> states{};
    Calculator calculator;
    for (const Point& point : grid) {
        const PointResult r =
            calculator.evaluate(point.temperatureC, point.pressureBar, point.composition);
        addRecord(digests[0], r.liquid);
        addRecord(digests[1], r.vapor);
        addRecord(digests[2], r.halite);
        addRecord(digests[3], r.bulk);
        pointDigests[0].addBits(r.warnings);
        pointDigests[1].addBits(static_cast<std::uint64_t>(static_cast<std::uint32_t>(r.fluidType)));
        const auto code = static_cast<std::size_t>(r.phases);
        ++states[code < states.size() ? code : 0];
    }

    // The table to paste above when the numbers change on purpose.
    std::string table;
    char line[64];
    for (int r = 0; r < 4; ++r) {
        table += "    {";
        for (int f = 0; f < kFields; ++f) {
            std::snprintf(line, sizeof line, "0x%016llxULL%s",
                          static_cast<unsigned long long>(digests[r][f].value),
                          f + 1 < kFields ? ", " : "},\n");
            table += line;
        }
    }
    table += "point: {";
    for (int f = 0; f < kPointFields; ++f) {
        std::snprintf(line, sizeof line, "0x%016llxULL%s",
                      static_cast<unsigned long long>(pointDigests[f].value),
                      f + 1 < kPointFields ? ", " : "}\n");
        table += line;
    }
    table += "states: {";
    for (std::size_t s = 0; s < states.size(); ++s) {
        table += std::to_string(states[s]) + (s + 1 < states.size() ? ", " : "}\n");
    }

    for (std::size_t s = 1; s < states.size(); ++s) {
        EXPECT_GT(states[s], 0U) << "no point of state " << s << " in the grid";
    }
    EXPECT_EQ(states, kExpectedStates) << table;
    for (int r = 0; r < 4; ++r) {
        for (int f = 0; f < kFields; ++f) {
            EXPECT_EQ(digests[r][f].value, kExpected[r][f])
                << kRecordNames[r] << "." << kFieldNames[f] << " changed";
        }
    }
    for (int f = 0; f < kPointFields; ++f) {
        EXPECT_EQ(pointDigests[f].value, kExpectedPoint[f]) << kPointFieldNames[f] << " changed";
    }
    if (HasFailure()) {
        ADD_FAILURE() << "digests of this build:\n" << table;
    }
}

}  // namespace
}  // namespace kelvoran
