// Property tables: built, saved, loaded and looked up against the model; damaged files; the
// same bytes for any thread count.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Calculator.h"
#include "kelvoran/Correlations.h"
#include "kelvoran/Inverse.h"
#include "kelvoran/Table.h"
#include "support/ScratchFolder.h"
#include "support/RandomStream.h"

namespace kelvoran {
namespace {

namespace fs = std::filesystem;

class PropertyTableTest : public ScratchFolderTest {
  protected:
    PropertyTableTest() : ScratchFolderTest("kelvoran-ptable-") {}
    void write(const fs::path& path, const std::string& bytes) const {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    // Runs a shell command in the scratch folder; its exit status.
    int shell(const std::string& command) const {
        const int raw = std::system(("cd '" + dir_.string() + "' && " + command).c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
};

// Small boxes (seconds to build) that hold the model's boundaries: the critical curve, V + L
// and the single fluids around it (T, P, x); the halite fields and the three-phase curve
// (T, P, x); boiling and the critical region in (P, h, x).
struct SmallBox {
    const char* name;
    TableVariables variables;
    TableBox box;
    int maxLevel;
};
const SmallBox kBoxes[] = {
    {"critical", TableVariables::TemperaturePressure, {{360.0, 440.0}, {150.0, 300.0}, {0.0, 0.1}}, 6},
    {"halite", TableVariables::TemperaturePressure, {{300.0, 700.0}, {50.0, 600.0}, {0.05, 0.4}}, 6},
    {"boiling", TableVariables::PressureEnthalpy, {{150.0, 250.0}, {1.5e6, 2.8e6}, {0.0, 0.05}}, 4},
};

TableBuildOptions smallBuild(const SmallBox& s, int threads) {
    TableBuildOptions options;
    options.maxLevel = s.maxLevel;
    options.rootLevel = 2;
    options.threads = threads;
    return options;
}

bool isPH(TableVariables v) { return v == TableVariables::PressureEnthalpy; }

// The model's result at (a, b, x) in the table's variables.
InverseResult model(TableVariables variables, double a, double b, double x) {
    if (isPH(variables)) return evaluatePH(a, b, x);
    InverseResult r;
    r.status = InverseStatus::Solved;
    r.temperatureC = a;
    r.pressureBar = b;
    r.point = Calculator().evaluate(a, b, x);
    return r;
}

// Random points of the box, and points within 1e-12 to 1e-6 (relative) of the model's
// boundaries inside it: in x at fixed T and P (liquidus, vapor + liquid surface,
// halite-saturated vapor), in P at fixed T (three-phase, boiling and critical pressures); for
// (P, h, x) the bulk enthalpies of those points.
std::vector<std::array<double, 3>> testPoints(const SmallBox& s, int count) {
    testing::RandomStream random{0x5eed};
    const TableBox& box = s.box;
    const auto draw = [&](const TableRange& r) { return r.lower + random.unit() * (r.upper - r.lower); };
    std::vector<std::array<double, 3>> points;
    for (int i = 0; i < count; ++i) points.push_back({draw(box.first), draw(box.second), draw(box.composition)});
    // Pure water, which boils at one temperature: its amounts follow from the bulk enthalpy.
    if (isPH(s.variables) && box.composition.lower == 0.0) {
        for (int i = 0; i < count / 20; ++i) points.push_back({draw(box.first), draw(box.second), 0.0});
    }
    const TableRange pressures = isPH(s.variables) ? box.first : box.second;
    for (int i = 0; i < count / 4; ++i) {
        const double t = isPH(s.variables) ? 100.0 + 600.0 * random.unit() : draw(box.first);
        double p = draw(pressures), x = draw(box.composition);
        const double offset = std::pow(10.0, -12.0 + 6.0 * random.unit()) * (random.unit() < 0.5 ? -1 : 1);
        const double compositions[] = {haliteLiquidusComposition(t, p), coexistingLiquidComposition(t, p),
                                       coexistingVaporComposition(t, p), haliteSaturatedVaporComposition(t, p)};
        const double pressuresAt[] = {threePhasePressureBar(t), waterSaturationPressureBar(t),
                                      criticalPressureBar(t)};
        if (i % 2 == 0) {
            x = compositions[i / 2 % 4] * (1.0 + offset);
        } else {
            p = pressuresAt[i / 2 % 3] * (1.0 + offset);
        }
        if (!(x >= box.composition.lower && x <= box.composition.upper && p >= pressures.lower &&
              p <= pressures.upper)) {
            continue;
        }
        if (!isPH(s.variables)) {
            if (t >= box.first.lower && t <= box.first.upper) points.push_back({t, p, x});
            continue;
        }
        const double h = Calculator().evaluate(t, p, x).bulk.specificEnthalpy;
        if (h >= box.second.lower && h <= box.second.upper) points.push_back({p, h, x});
    }
    return points;
}

// How far a looked-up point is from the model, in multiples of the tolerance (infinity for
// another state, or a NaN on one side only).
double errorRatio(const InverseResult& table, const InverseResult& exact, const TableTolerance& tol) {
    if (table.status != exact.status || table.point.phases != exact.point.phases) return HUGE_VAL;
    if (exact.status != InverseStatus::Solved) return 0.0;
    double worst = 0.0;
    const auto compare = [&](double a, double b, double scale) {
        if (std::isnan(a) != std::isnan(b)) worst = HUGE_VAL;
        if (!std::isnan(a) && a != b) worst = std::max(worst, std::fabs(a - b) / scale);
    };
    compare(table.temperatureC, exact.temperatureC, tol.relative * (exact.temperatureC + 273.15));
    const PointResult &t = table.point, &e = exact.point;
    const std::pair<const PhaseRecord*, const PhaseRecord*> phases[] = {
        {&t.liquid, &e.liquid}, {&t.vapor, &e.vapor}, {&t.halite, &e.halite}, {&t.bulk, &e.bulk}};
    const bool present[] = {e.hasLiquid(), e.hasVapor(), e.hasHalite(), true};
    for (int i = 0; i < 4; ++i) {
        if (!present[i]) continue;
        const PhaseRecord &a = *phases[i].first, &b = *phases[i].second;
        compare(a.density, b.density, tol.relative * b.density);
        if (i != 2) {
            compare(a.specificEnthalpy, b.specificEnthalpy,
                    tol.relative * std::max(std::fabs(b.specificEnthalpy), tol.enthalpyFloorJKg));
        }
        compare(a.composition, b.composition, tol.absolute);
        compare(a.massPercent * 0.01, b.massPercent * 0.01, tol.absolute);
        if (i != 3) {
            compare(a.phaseMassFraction, b.phaseMassFraction, tol.absolute);
            compare(a.saturation, b.saturation, tol.absolute);
        }
    }
    return worst;
}

// Build → save → load → look up, in C++ (one point at a time and in a batch) against the model:
// the same state at every point, the values within the tolerance at nearly all (an
// interpolant is checked at test places, not everywhere), and the derivatives of the
// interpolant those of its values.
TEST_F(PropertyTableTest, RoundTripAgreesWithTheModel) {
    for (const SmallBox& s : kBoxes) {
        SCOPED_TRACE(s.name);
        const PropertyTable built = PropertyTable::build(s.variables, s.box, {}, smallBuild(s, 0));
        const std::string path = (dir_ / (std::string(s.name) + ".kvt")).string();
        built.save(path);
        const PropertyTable table = PropertyTable::load(path);
        EXPECT_EQ(table.box(), s.box);
        EXPECT_EQ(table.variables(), s.variables);
        const TableTolerance tol = table.tolerance();

        const std::vector<std::array<double, 3>> points = testPoints(s, 2000);
        const std::size_t n = points.size();
        std::vector<double> a(n), b(n), x(n);
        for (std::size_t i = 0; i < n; ++i) {
            a[i] = points[i][0];
            b[i] = points[i][1];
            x[i] = points[i][2];
        }
        std::vector<std::int32_t> state(n);
        std::vector<double> bulkDensity(n), dDensity(n);
        const std::unique_ptr<bool[]> fromBulk(new bool[n]);
        InverseColumns inverse;
        inverse.amountsFromBulkProperty = fromBulk.get();
        BatchColumns out;
        out.state = state.data();
        out.bulk.density = bulkDensity.data();
        out.derivatives.bulk.density.second = dDensity.data();
        BatchOptions twoThreads;
        twoThreads.threads = 2;
        table.evaluate(a, b, x, out, inverse, twoThreads);

        // The model's own derivatives, which a point the table answers through the model (V + L
        // of a (P, h, x) table, solved from the table's temperature) must have too.
        std::vector<double> dT[3], dS[3];
        BatchColumns direct;
        const auto bind = [&](GradientColumns& g, std::vector<double>* into) {
            for (int j = 0; j < 3; ++j) into[j].resize(n);
            g.first = into[0].data();
            g.second = into[1].data();
            g.third = into[2].data();
        };
        bind(direct.derivatives.temperature, dT);
        bind(direct.derivatives.vapor.saturation, dS);
        if (isPH(s.variables)) evaluateBatchPH(a, b, x, direct, {});

        std::size_t within = 0, interpolated = 0, consistent = 0, twoPhase = 0, byBulk = 0;
        std::size_t solvedThrough = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const TablePoint p = table.evaluate(a[i], b[i], x[i]);
            const InverseResult exact = model(s.variables, a[i], b[i], x[i]);
            ASSERT_EQ(p.result.point.phases, exact.point.phases)
                << "at " << a[i] << ", " << b[i] << ", " << x[i];
            ASSERT_EQ(p.result.status, exact.status);
            ASSERT_EQ(p.result.amountsFromBulkProperty, exact.amountsFromBulkProperty);
            ASSERT_EQ(fromBulk[i], exact.amountsFromBulkProperty);
            byBulk += exact.amountsFromBulkProperty ? 1 : 0;
            ASSERT_EQ(state[i], static_cast<std::int32_t>(exact.point.phases));
            if (state[i] != 0) {  // an unsolved point has zero records, NaN columns
                ASSERT_TRUE(std::isnan(bulkDensity[i]) ? std::isnan(p.result.point.bulk.density)
                                                        : bulkDensity[i] == p.result.point.bulk.density);
            }
            if (errorRatio(p.result, exact, tol) <= 1.0) ++within;
            if (p.exact && isPH(s.variables) && exact.point.phases == Phases::VaporLiquid &&
                !exact.amountsFromBulkProperty) {
                ++solvedThrough;
                for (int j = 0; j < 3; ++j) {
                    EXPECT_NEAR(p.derivatives.temperature[j], dT[j][i], 1e-5 * std::fabs(dT[j][i]));
                    EXPECT_NEAR(p.derivatives.vaporSaturation[j], dS[j][i],
                                1e-5 * std::fabs(dS[j][i]) + 1e-12);
                }
            }
            if (p.exact || exact.status != InverseStatus::Solved) continue;
            // Central differences of the table's own values in each variable.
            ++interpolated;
            if (!isSinglePhase(p.result.point.phases)) ++twoPhase;
            const double widths[3] = {s.box.first.upper - s.box.first.lower,
                                      s.box.second.upper - s.box.second.lower,
                                      s.box.composition.upper - s.box.composition.lower};
            bool good = true;
            for (int j = 0; j < 3; ++j) {
                double up[3] = {a[i], b[i], x[i]}, down[3] = {a[i], b[i], x[i]};
                const double step = 1e-7 * widths[j];
                up[j] += step;
                down[j] -= step;
                const TablePoint pu = table.evaluate(up[0], up[1], up[2]);
                const TablePoint pd = table.evaluate(down[0], down[1], down[2]);
                if (pu.exact || pd.exact || pu.result.point.phases != p.result.point.phases ||
                    pd.result.point.phases != p.result.point.phases) {
                    continue;
                }
                const auto check = [&](double vu, double vd, double slope, double scale) {
                    const double difference = (vu - vd) / (2.0 * step);
                    if (!(std::fabs(difference - slope) <= 1e-3 * std::fabs(slope) + 1e-6 * scale / widths[j])) {
                        good = false;
                    }
                };
                const TablePoint::Gradient& g = p.derivatives;
                check(pu.result.point.bulk.density, pd.result.point.bulk.density, g.bulkDensity[j],
                      p.result.point.bulk.density);
                check(pu.result.temperatureC, pd.result.temperatureC, g.temperature[j], 1.0);
                if (p.result.point.hasVapor() && p.result.point.hasLiquid()) {
                    check(pu.result.point.vapor.saturation, pd.result.point.vapor.saturation,
                          g.vaporSaturation[j], 1.0);
                }
                if (j == 1) {
                    EXPECT_EQ(dDensity[i], g.bulkDensity[1]);
                }
            }
            if (good) ++consistent;
        }
        EXPECT_GE(static_cast<double>(within), 0.999 * static_cast<double>(n));
        EXPECT_GE(static_cast<double>(consistent), 0.99 * static_cast<double>(interpolated));
        // The table, not the model, answers most points of a (T, P, x) table, two-phase ones
        // among them (their phases tabulated once per column); a small (P, h, x) table leaves
        // V + L to the model.
        EXPECT_GT(interpolated, isPH(s.variables) ? n / 100 : n / 2);
        if (!isPH(s.variables)) {
            EXPECT_GT(twoPhase, n / 10);
        } else {
            EXPECT_GT(byBulk, 0U);
            EXPECT_GT(solvedThrough, n / 20);
        }

        // The table tool looks the same points up through the file: the states of the model.
        if (isPH(s.variables)) continue;
        std::ostringstream csv;
        csv.precision(17);
        csv << "T_C,P_bar,x_NaCl\n";
        for (std::size_t i = 0; i < n; ++i) csv << a[i] << ',' << b[i] << ',' << x[i] << '\n';
        write(dir_ / "points.csv", csv.str());
        ASSERT_EQ(shell("'" KELVORAN_TABLE_PATH "' -q --columns state --table " + path +
                        " -o table.csv points.csv && '" KELVORAN_TABLE_PATH
                        "' -q --columns state -o model.csv points.csv"),
                  0);
        EXPECT_EQ(read(dir_ / "table.csv"), read(dir_ / "model.csv"));
    }
}

// A brine boiling at low pressure, just inside its vapor + liquid field: the lever rule on the
// tabulated compositions gives the vapor's volume share, which the density ratio of the phases
// (a few hundred here) amplifies; the builder tests next to the ends of the field for that.
TEST_F(PropertyTableTest, VaporShareHoldsNextToTheBubblePoint) {
    const SmallBox s{"boiling brine", TableVariables::TemperaturePressure,
                     {{700.0, 1000.0}, {20.0, 200.0}, {0.5, 1.0}}, 5};
    const PropertyTable table = PropertyTable::build(s.variables, s.box, {}, smallBuild(s, 0));
    testing::RandomStream random{0xb0b};
    std::size_t points = 0, within = 0;
    for (int i = 0; i < 3000; ++i) {
        const double t = 700.0 + 300.0 * random.unit(), p = 20.0 + 180.0 * random.unit();
        const double x = coexistingLiquidComposition(t, p) * (1.0 - std::pow(10.0, -9.0 + 4.0 * random.unit()));
        const InverseResult exact = model(s.variables, t, p, x);
        if (!(x >= 0.5 && x <= 1.0) || exact.point.phases != Phases::VaporLiquid) continue;
        ++points;
        if (errorRatio(table.evaluate(t, p, x).result, exact, table.tolerance()) <= 1.0) ++within;
    }
    EXPECT_GT(points, 1000U);
    EXPECT_GE(static_cast<double>(within), 0.999 * static_cast<double>(points));
}

// A cancelled build stops inside the cells it is working on, not after them: the default
// (P, h, x) box as one root cell (minutes of the model's searches) stops as soon as its
// progress callback asks.
TEST_F(PropertyTableTest, CancelledBuildStopsInsideItsCells) {
    TableBuildOptions options;
    options.rootLevel = 0;
    options.threads = 1;
    int calls = 0;
    std::chrono::steady_clock::time_point asked;
    options.progress = [&](std::size_t, std::size_t) {
        if (++calls == 1) return true;  // the report before any work
        asked = std::chrono::steady_clock::now();
        return false;
    };
    const auto phx = TableVariables::PressureEnthalpy;
    EXPECT_THROW(PropertyTable::build(phx, defaultTableBox(phx), {}, options), TableCancelled);
    EXPECT_EQ(calls, 2);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(30));
}

// A damaged, truncated or foreign file is refused with a message naming it, by the class (from
// the file or from its bytes) and by the table tool, never looked up.
TEST_F(PropertyTableTest, DamagedFilesAreRefusedByName) {
    const SmallBox& s = kBoxes[1];
    const fs::path good = dir_ / "good.kvt";
    PropertyTable::build(s.variables, s.box, {}, smallBuild(s, 0)).save(good.string());
    const std::string bytes = read(good);
    ASSERT_GT(bytes.size(), 4096U);
    const auto with = [&](std::size_t at, const std::string& replacement) {
        std::string b = bytes;
        b.replace(at, replacement.size(), replacement);
        return b;
    };
    std::string flipped = bytes;
    flipped[bytes.size() / 2] = static_cast<char>(flipped[bytes.size() / 2] ^ 0x10);
    const struct {
        const char* name;
        std::string contents;
        const char* why;
    } cases[] = {
        {"empty", "", "not a kelvoran property table"},
        {"half", bytes.substr(0, bytes.size() / 2), "truncated"},
        {"header-only", bytes.substr(0, 300), "truncated"},
        {"last-byte", bytes.substr(0, bytes.size() - 1), "truncated"},
        {"appended", bytes + "x", "appended"},
        {"flipped", flipped, "checksum"},
        {"foreign", with(0, std::string("PK\x03\x04\x14\x00\x00\x00", 8)), "not a kelvoran property table"},
        {"version", with(16, std::string("\x63\x00\x00\x00", 4)), "version 99"},
        {"text", "T_C,P_bar,x_NaCl\n25,1,0\n", "not a kelvoran property table"},
    };
    // The same bytes given in memory (a table sent between processes) are refused alike.
    const auto asBytes = [](const std::string& b) {
        return std::span<const std::byte>(reinterpret_cast<const std::byte*>(b.data()), b.size());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path path = dir_ / (std::string(c.name) + ".kvt");
        write(path, c.contents);
        try {
            PropertyTable::load(path.string());
            ADD_FAILURE() << "loaded";
        } catch (const TableError& e) {
            EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
        try {
            PropertyTable::fromBytes(asBytes(c.contents), "the message");
            ADD_FAILURE() << "taken from bytes";
        } catch (const TableError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("the message: ", 0), 0U) << e.what();
            EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
        }
    }
    const PropertyTable copy = PropertyTable::fromBytes(asBytes(bytes));
    EXPECT_TRUE(std::equal(copy.bytes().begin(), copy.bytes().end(), asBytes(bytes).begin(),
                           asBytes(bytes).end()));
    EXPECT_EQ(copy.evaluate(400.0, 200.0, 0.1).result.point.bulk.density,
              PropertyTable::load(good.string()).evaluate(400.0, 200.0, 0.1).result.point.bulk.density);
    EXPECT_THROW(PropertyTable::load((dir_ / "missing.kvt").string()), TableError);
    EXPECT_EQ(shell("'" KELVORAN_TABLE_PATH "' -q --table flipped.kvt -T 400 -P 200 -x 0.01 "
                    ">out.csv 2>err.txt"),
              3);
    EXPECT_NE(read(dir_ / "err.txt").find("flipped.kvt"), std::string::npos);
    EXPECT_EQ(read(dir_ / "out.csv"), "");
}

// A table is saved as a shell redirection treats the path: through a symbolic link the file it
// names is replaced (created where the link dangles) and the link kept, a named pipe or an open
// descriptor (/dev/fd/N) is written in place, a folder or a read-only file is refused; a file
// replaced keeps its permissions.
TEST_F(PropertyTableTest, SaveTreatsThePathAsARedirectionWould) {
    const PropertyTable table = PropertyTable::build(
        TableVariables::TemperaturePressure, {{350.0, 352.0}, {150.0, 152.0}, {0.0, 0.01}}, {},
        TableBuildOptions{.threads = 2, .maxLevel = 4, .rootLevel = 2, .progress = {}});
    table.save((dir_ / "plain.kvt").string());
    const std::string bytes = read(dir_ / "plain.kvt");
    write(dir_ / "old.kvt", "an older table");
    fs::create_symlink(dir_ / "old.kvt", dir_ / "link.kvt");
    fs::create_symlink("new.kvt", dir_ / "dangling.kvt");
    ASSERT_EQ(::mkfifo((dir_ / "pipe").c_str(), 0600), 0);
    fs::create_directory(dir_ / "folder");
    write(dir_ / "locked.kvt", "kept");
    fs::permissions(dir_ / "locked.kvt", fs::perms::owner_read);
    const bool root = ::geteuid() == 0;  // opens read-only files for writing all the same

    const struct {
        const char* path;
        const char* written;  // the file that holds the table after the save
        const char* refused;  // or the reason in the message
    } cases[] = {
        {"link.kvt", "old.kvt", nullptr},
        {"dangling.kvt", "new.kvt", nullptr},
        {"pipe", nullptr, nullptr},
        {"folder", nullptr, "folder"},
        {"locked.kvt", nullptr, "Permission denied"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const fs::path path = dir_ / c.path;
        if (std::string(c.path) == "locked.kvt" && root) continue;
        // The pipe's reader holds it open for writing too, so that its reads wait for the
        // table rather than end; it gives up after 30 s without data.
        std::string piped;
        std::thread reader;
        if (fs::is_fifo(path)) {
            const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
            ASSERT_GE(fd, 0);
            reader = std::thread([&piped, &bytes, fd] {
                char buffer[65536];
                pollfd wait{fd, POLLIN, 0};
                while (piped.size() < bytes.size() && ::poll(&wait, 1, 30000) == 1) {
                    const ssize_t n = ::read(fd, buffer, sizeof buffer);
                    if (n > 0) piped.append(buffer, static_cast<std::size_t>(n));
                }
                ::close(fd);
            });
        }
        try {
            table.save(path.string());
            EXPECT_EQ(c.refused, nullptr);
        } catch (const TableError& e) {
            EXPECT_NE(c.refused, nullptr) << e.what();
            if (c.refused != nullptr) {
                EXPECT_NE(std::string(e.what()).find(path.string()), std::string::npos) << e.what();
                EXPECT_NE(std::string(e.what()).find(c.refused), std::string::npos) << e.what();
            }
        }
        if (reader.joinable()) {
            reader.join();
            EXPECT_TRUE(fs::is_fifo(path));
            EXPECT_TRUE(piped == bytes) << piped.size() << " bytes came through the pipe";
        }
        if (c.written != nullptr) {
            EXPECT_TRUE(fs::is_symlink(path));
            EXPECT_TRUE(read(dir_ / c.written) == bytes) << c.written << " holds another table";
        }
    }
    if (!root) {
        EXPECT_EQ(read(dir_ / "locked.kvt"), "kept");
    }
    EXPECT_TRUE(fs::is_directory(dir_ / "folder"));
    // A name of an open descriptor, here through a link, is written as the descriptor stands:
    // appended to the file a shell's >> opened, which is not replaced.
    write(dir_ / "log.kvt", "head");
    const int appending = ::open((dir_ / "log.kvt").c_str(), O_WRONLY | O_APPEND);
    ASSERT_GE(appending, 0);
    fs::create_symlink("/dev/fd/" + std::to_string(appending), dir_ / "descriptor.kvt");
    table.save((dir_ / "descriptor.kvt").string());
    ::close(appending);
    EXPECT_TRUE(read(dir_ / "log.kvt") == "head" + bytes);
    // kelvoran-tabulate refuses such destinations before it builds (the fitted range would take
    // minutes): exit status 4, the path and the reason in its message.
    for (const char* refused : {"folder", "missing/new.kvt", "- >&-"}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(shell("timeout 60 '" KELVORAN_TABULATE_PATH "' -q --variables tpx -o " +
                        std::string(refused) + " 2>err.txt"),
                  4);
        EXPECT_NE(read(dir_ / "err.txt").find("cannot write"), std::string::npos);
    }
    // A table replaced keeps the permissions of the file it replaces.
    fs::permissions(dir_ / "plain.kvt", fs::perms::owner_read | fs::perms::owner_write);
    table.save((dir_ / "plain.kvt").string());
    EXPECT_EQ(fs::status(dir_ / "plain.kvt").permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
}

// The same box gives the same bytes on one thread and on two, through kelvoran-tabulate (which
// writes the second to standard output).
TEST_F(PropertyTableTest, FileBytesDoNotDependOnTheThreadCount) {
    for (const SmallBox& s : {kBoxes[1], kBoxes[2]}) {
        SCOPED_TRACE(s.name);
        const bool ph = isPH(s.variables);
        std::ostringstream ranges;
        ranges.precision(17);
        ranges << (ph ? " -P " : " --variables tpx -T ") << s.box.first.lower << ':' << s.box.first.upper
               << (ph ? " -H " : " -P ") << s.box.second.lower << ':' << s.box.second.upper << " -x "
               << s.box.composition.lower << ':' << s.box.composition.upper
               << " --max-level " << s.maxLevel << " --root-level 2";
        ASSERT_EQ(shell("'" KELVORAN_TABULATE_PATH "' -q -j 1" + ranges.str() + " -o j1.kvt"), 0);
        ASSERT_EQ(shell("'" KELVORAN_TABULATE_PATH "' -q -j 2" + ranges.str() + " -o - > j2.kvt"),
                  0);
        const std::string one = read(dir_ / "j1.kvt");
        EXPECT_GT(one.size(), 4096U);
        EXPECT_TRUE(one == read(dir_ / "j2.kvt"));
        EXPECT_TRUE(one == [&] {
            const fs::path path = dir_ / "class.kvt";
            PropertyTable::build(s.variables, s.box, {}, smallBuild(s, 2)).save(path.string());
            return read(path);
        }());
    }
}

// The default finest level keeps the finest cells about as wide as those of the fitted range:
// one level fewer per halving of the box in its less narrowed lateral variable, within
// 4 ... the fitted range's level; a build by default refines no coarser than its root level.
TEST_F(PropertyTableTest, DefaultLevelFollowsTheWidthOfTheBox) {
    const auto tpx = TableVariables::TemperaturePressure;
    const auto phx = TableVariables::PressureEnthalpy;
    const struct {
        TableVariables variables;
        TableBox box;
        int level;
    } cases[] = {
        {tpx, defaultTableBox(tpx), 10},
        {phx, defaultTableBox(phx), 8},
        {tpx, {{0.0, 600.0}, {1.0, 1000.0}, {0.0, 0.3}}, 9},  // T narrowed least
        {phx, {{1.0, 1000.0}, {0.0, 3.8e6}, {0.0, 0.3}}, 6},
        {tpx, {{0.0, 1000.0}, {1.0, 10000.0}, {0.0, 1.0}}, 10},  // wider than the fitted range
        {phx, {{100.0, 110.0}, {1e6, 2e6}, {0.0, 0.001}}, 4},
    };
    for (const auto& c : cases) EXPECT_EQ(defaultMaxLevel(c.variables, c.box), c.level);

    TableBuildOptions options;
    options.threads = 2;
    const PropertyTable t =
        PropertyTable::build(tpx, {{350.0, 352.0}, {150.0, 152.0}, {0.0, 0.01}}, {}, options);
    EXPECT_EQ(t.maxLevel(), options.rootLevel);
    // The table tool's root level follows a --max-level below its default.
    ASSERT_EQ(shell("'" KELVORAN_TABULATE_PATH "' -q --variables tpx -T 350:352 -P 150:152 "
                    "-x 0:0.01 --max-level 4 -o coarse.kvt"),
              0);
    EXPECT_EQ(PropertyTable::load((dir_ / "coarse.kvt").string()).rootLevel(), 4);
}

}  // namespace
}  // namespace kelvoran
