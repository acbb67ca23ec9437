#include "lookup/ColumnAnalysis.h"

#include <algorithm>
#include <cmath>

namespace kelvoran {

namespace {

// Whether no double worth sampling lies between a < b (adjacent, or a few ulps apart, or both
// next to zero).
bool adjacent(double a, double b) {
    return !(b - a > 4.5e-16 * std::fmax(std::fabs(a), std::fabs(b))) || b - a < 1e-250;
}

// The size of a difference of value j that counts as a jump.
// (Far below any tolerance: 1e-7 relative, and 1e-9 absolute for fractions near zero.)
double jumpFloor(double a, double b) { return 1e-7 * std::fmax(std::fabs(a), std::fabs(b)) + 1e-9; }

class Analysis {
  public:
    Analysis(const ColumnSampler& sample, std::size_t& evaluations)
        : sample_(sample), evaluations_(evaluations) {}

    ColumnPieces run(double z0, double z1, std::span<const double> extra, int count) {
        std::vector<double> places;
        for (int i = 0; i <= count; ++i) {
            places.push_back(i == count ? z1 : z0 + (z1 - z0) * (static_cast<double>(i) / count));
        }
        for (double z : extra) {
            for (double p : {std::nextafter(z, -HUGE_VAL), z, std::nextafter(z, HUGE_VAL)}) {
                if (p > z0 && p < z1) places.push_back(p);
            }
        }
        std::sort(places.begin(), places.end());
        places.erase(std::unique(places.begin(), places.end()), places.end());
        for (double z : places) {
            samples_.push_back(take(z));
            cutAfter_.push_back(false);
        }
        resolveSignatures();
        if (findJumps()) resolveSignatures();
        ColumnPieces out;
        std::size_t first = 0;
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            if (cutAfter_[i] || i + 1 == samples_.size()) {
                out.pieces.push_back({first, i});
                first = i + 1;
            }
        }
        out.samples = std::move(samples_);
        return out;
    }

  private:
    ColumnSample take(double z) {
        ++evaluations_;
        return sample_(z);
    }

    // Inserts the sample at the midpoint of samples i and i + 1.
    void insertMidpoint(std::size_t i) {
        const double a = samples_[i].z, b = samples_[i + 1].z;
        samples_.insert(samples_.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        take(a + (b - a) * 0.5));
        cutAfter_.insert(cutAfter_.begin() + static_cast<std::ptrdiff_t>(i) + 1, false);
    }

    // Bisects every neighbouring pair of different signatures down to adjacent doubles.
    void resolveSignatures() {
        for (std::size_t i = 0; i + 1 < samples_.size();) {
            if (cutAfter_[i] ||
                samples_[i].exact.signature == samples_[i + 1].exact.signature) {
                ++i;
                continue;
            }
            if (adjacent(samples_[i].z, samples_[i + 1].z)) {
                cutAfter_[i] = true;
                ++i;
                continue;
            }
            insertMidpoint(i);  // and look at the pair (i, i + 1) again
        }
    }

    // Descends into the interval (i, i + 1) of one signature towards a jump of value j; true
    // when the descent met another signature (the signatures must be resolved again).
    bool descend(std::size_t i, int j) {
        // A copy: inserting samples moves them.
        const Signature signature = samples_[i].exact.signature;
        while (true) {
            const double fa = samples_[i].values[j], fb = samples_[i + 1].values[j];
            if (adjacent(samples_[i].z, samples_[i + 1].z)) {
                if (std::fabs(fb - fa) > jumpFloor(fa, fb)) cutAfter_[i] = true;
                return false;
            }
            insertMidpoint(i);
            if (!(samples_[i + 1].exact.signature == signature)) return true;
            const double fm = samples_[i + 1].values[j];
            const double d1 = std::fabs(fm - fa), d2 = std::fabs(fb - fm);
            // A continuous function splits its difference; a jump keeps it in one half.
            if (!(std::fmax(d1, d2) >= 0.75 * (d1 + d2))) return false;
            if (d2 > d1) ++i;
        }
    }

    // Looks for jumps inside every run of one signature and descends into each suspect; true
    // when a descent met another signature (to be resolved again).
    bool findJumps() {
        struct Suspect {
            double a, b;
            int value;
        };
        std::vector<Suspect> suspects;
        std::size_t start = 0;
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            if (!(cutAfter_[i] || i + 1 == samples_.size())) continue;
            for (std::size_t k = start; k < i; ++k) {  // the run [start, i]
                const ColumnSample& a = samples_[k];
                const ColumnSample& b = samples_[k + 1];
                for (int j = 0; j < a.valueCount; ++j) {
                    const double d = std::fabs(b.values[j] - a.values[j]);
                    if (!(d > jumpFloor(a.values[j], b.values[j]))) continue;
                    if (adjacent(a.z, b.z)) {
                        cutAfter_[k] = true;
                        break;
                    }
                    double neighbour = -1.0;
                    if (k > start) neighbour = std::fabs(a.values[j] - samples_[k - 1].values[j]);
                    if (k + 1 < i) {
                        neighbour = std::fmax(neighbour,
                                              std::fabs(samples_[k + 2].values[j] - b.values[j]));
                    }
                    if (neighbour >= 0.0 && !(d > 4.0 * neighbour)) continue;
                    suspects.push_back({a.z, b.z, j});
                    break;
                }
            }
            start = i + 1;
        }
        bool changed = false;
        for (const Suspect& s : suspects) {
            const auto at = std::lower_bound(
                samples_.begin(), samples_.end(), s.a,
                [](const ColumnSample& sample, double z) { return sample.z < z; });
            const auto k = static_cast<std::size_t>(at - samples_.begin());
            if (k + 1 >= samples_.size() || samples_[k].z != s.a || samples_[k + 1].z != s.b) {
                continue;
            }
            changed = descend(k, s.value) || changed;
        }
        return changed;
    }

    const ColumnSampler& sample_;
    std::size_t& evaluations_;
    std::vector<ColumnSample> samples_;
    std::vector<bool> cutAfter_;
};

}  // namespace

ColumnPieces analyseColumn(const ColumnSampler& sample, double z0, double z1,
                           std::span<const double> extra, int count, std::size_t& evaluations) {
    Analysis analysis(sample, evaluations);
    return analysis.run(z0, z1, extra, count);
}

}  // namespace kelvoran
