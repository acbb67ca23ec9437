#include <gtest/gtest.h>

#include <cmath>

#include "water/WaterValidity.h"

namespace kelvoran {
namespace {

TEST(WaterValidityTest, IceCurvesMeetAtTheirTriplePoints) {
    EXPECT_DOUBLE_EQ(sublimationPressure(273.16), 0.000611657);
    EXPECT_DOUBLE_EQ(meltingPressureIceIh(273.16), 0.000611657);
    EXPECT_NEAR(meltingPressureHighIce(256.164), 350.1, 0.01);  // ice III – V – liquid
    EXPECT_NEAR(meltingPressureHighIce(273.31), 632.4, 1e-9);   // ice V – VI – liquid
    EXPECT_NEAR(meltingPressureHighIce(273.3099), 632.4, 0.5);  // ice V branch just below
    EXPECT_NEAR(meltingPressureHighIce(355.0), 2216.0, 1e-9);   // ice VI – VII – liquid
    EXPECT_NEAR(meltingPressureHighIce(354.999), 2216.0, 0.1);  // ice VI branch just below
    EXPECT_NEAR(meltingPressureHighIce(251.165), 209.9, 1e-9);
    // Sublimation falls and Ih melting rises as the temperature drops.
    EXPECT_LT(sublimationPressure(260.0), sublimationPressure(270.0));
    EXPECT_GT(meltingPressureIceIh(260.0), 100.0);
}

struct DomainCase {
    double T;  // K
    double p;  // MPa
    bool valid;
    const char* why;
};

void PrintTo(const DomainCase& c, std::ostream* os) {
    *os << c.T << " K, " << c.p << " MPa: " << c.why;
}

class WaterDomainTest : public ::testing::TestWithParam<DomainCase> {};

TEST_P(WaterDomainTest, InRangeTP) {
    const DomainCase& c = GetParam();
    EXPECT_EQ(inRangeTP(c.T, c.p), c.valid) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WaterDomainTest,
    ::testing::Values(DomainCase{300.0, 22.0, true, "compressed liquid"},
                      DomainCase{259.9, 1.0, false, "below 260 K"},
                      DomainCase{250.0, 100.0, false, "250 K refused by the temperature limit"},
                      DomainCase{250.0, 0.00005, false, "250 K below sublimation: still refused"},
                      DomainCase{2500.0, 1.0, true, "upper temperature limit"},
                      DomainCase{2500.1, 1.0, false, "above 2500 K"},
                      DomainCase{500.0, 3000.0, true, "upper pressure limit"},
                      DomainCase{500.0, 3000.1, false, "above 3000 MPa"},
                      DomainCase{600.0, 0.99e-6, false, "below 1e-6 MPa"},
                      DomainCase{265.0, 1e-4, true, "vapor below the sublimation pressure"},
                      DomainCase{265.0, 0.1, false, "inside the ice Ih field"},
                      DomainCase{265.0, 150.0, true, "liquid above the Ih melting pressure"},
                      DomainCase{
                          273.16, 0.1, true,
                          "at 273.16 K the Ih melting pressure is the triple-point pressure"},
                      DomainCase{273.17, 0.1, true, "liquid just above the triple point"},
                      DomainCase{270.0, 0.1, false, "ice Ih at normal pressure"},
                      DomainCase{300.0, 900.0, true, "liquid below the ice VI curve"},
                      DomainCase{300.0, 1100.0, false, "inside ice VI"},
                      DomainCase{400.0, 2900.0, false, "inside ice VII"},
                      DomainCase{413.1, 2900.0, true, "above 413 K no ice test"},
                      DomainCase{NAN, 1.0, false, "NaN temperature"},
                      DomainCase{300.0, NAN, false, "NaN pressure"}));

TEST(WaterValidityTest, InRangeTRho) {
    EXPECT_TRUE(inRangeTRho(260.0, 2.220446049250313e-16));
    EXPECT_TRUE(inRangeTRho(2500.0, 1.8));
    EXPECT_FALSE(inRangeTRho(259.9, 1.0));
    EXPECT_FALSE(inRangeTRho(300.0, 1.81));
    EXPECT_FALSE(inRangeTRho(300.0, 1e-16));
    EXPECT_FALSE(inRangeTRho(300.0, NAN));
}

}  // namespace
}  // namespace kelvoran
