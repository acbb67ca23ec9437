#include "water/WaterEvaluationCounts.h"

namespace kelvoran {

WaterEvaluationCounts& waterEvaluationCounts() {
    thread_local WaterEvaluationCounts counts;
    return counts;
}

}  // namespace kelvoran
