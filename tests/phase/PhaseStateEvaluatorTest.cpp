#include "phase/PhaseStateEvaluator.h"

#include <gtest/gtest.h>

namespace kelvoran {
namespace {

TEST(PhaseStateEvaluatorTest, RecordsStartAtZero) {
    double t = 25.0, p = 1.0, x = 0.01;
    const PhaseProperties zero{};
    PhaseStateEvaluator evaluator(t, p, x);
    EXPECT_EQ(evaluator.getBulk().phaseState, 0);
    EXPECT_EQ(evaluator.getHalite(), zero);
}

}  // namespace
}  // namespace kelvoran
