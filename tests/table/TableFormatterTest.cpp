#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "table/TableFormatter.h"

namespace kelvoran {
namespace {

// Splits one CSV line (quoted fields allowed) into its fields.
std::vector<std::string> fields(const std::string& line, char delimiter = ',') {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (ch == '\n' && !quoted) {
            break;
        }
        if (ch == '"') {
            if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                out.back() += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
        } else if (ch == delimiter && !quoted) {
            out.emplace_back();
        } else {
            out.back() += ch;
        }
    }
    return out;
}

PhaseRecord record(double composition, double massPercent, double density, double volume,
                   double enthalpy, double cp) {
    PhaseRecord r;
    r.composition = composition;
    r.massPercent = massPercent;
    r.density = density;
    r.molarVolume = volume;
    r.specificEnthalpy = enthalpy;
    r.heatCapacity = cp;
    return r;
}

InputRow input(std::int64_t line, double t, double p, double x) {
    InputRow row;
    row.line = line;
    row.temperatureC = t;
    row.pressureBar = p;
    row.composition = x;
    row.massFraction = massFractionFromMoleFraction(x);
    return row;
}

TEST(TableFormatterTest, HeaderNamesEveryColumn) {
    const std::vector<std::string> header = fields(TableFormatter(17).header());
    ASSERT_EQ(static_cast<int>(header.size()), TableFormatter(17).columnCount());
    EXPECT_EQ(header[0], "line");
    EXPECT_EQ(header[6], "state");
    EXPECT_EQ(header[7], "state_name");
    EXPECT_EQ(header[8], "liquid_x_NaCl");
    EXPECT_EQ(header[14], "vapor_x_NaCl");
    EXPECT_EQ(header[24], "halite_specific_enthalpy_J_kg");
    EXPECT_EQ(header.back(), "error");
}

TEST(TableFormatterTest, PresentPhasesFilledAbsentPhasesEmpty) {
    PointResult result;
    result.phases = Phases::VaporHalite;
    result.liquid = record(9, 9, 9, 9, 9, 9);  // must not be shown: no liquid in V+H
    result.vapor = record(2.6e-7, 8.5e-5, 30.5, 590.6, 2.8e6, 2584.3);
    result.halite = record(1.0, 100.0, 2024.6, 28.9, 0.0, 1006.3);
    result.warnings = kWarningOutsideFittedRange | kWarningHighTemperatureVolume;
    result.liquid.phaseMassFraction = 9;
    result.vapor.phaseMassFraction = 0.25;
    result.vapor.saturation = 0.9;
    result.halite.phaseMassFraction = 0.75;
    result.halite.saturation = 0.1;
    result.bulk.density = 101.25;
    result.bulk.specificEnthalpy = 9;  // none with halite
    std::string line;
    TableFormatter(5).appendRow(line, input(7, 500.0, 100.0, 0.05), result);
    const std::vector<std::string> f = fields(line);
    ASSERT_EQ(static_cast<int>(f.size()), TableFormatter(5).columnCount()) << line;
    // Five digits, written without an exponent for ordinary magnitudes (2800000, not 2.8e+06).
    const std::vector<std::string> expected = {
        "7", "500", "100", "0.05", "0.1458420674372642", "0", "5", "V+H", "", "", "", "", "", "",
        "2.6e-07", "8.5e-07", "30.5", "590.6", "2800000", "2584.3", "1", "1", "2024.6", "28.9", "",
        "1006.3",
        // warnings, fluid type (none for two phases), the amounts of liquid (absent), vapor
        // and halite, bulk density and enthalpy (none with halite), error
        "outside_fitted_range|high_temperature_volume", "", "", "", "0.25", "0.9", "0.75", "0.1",
        "101.25", "", ""};
    EXPECT_EQ(f, expected);
}

TEST(TableFormatterTest, SingleFluidAppearsInTheLiquidOrVaporColumns) {
    const std::pair<Phases, int> cases[] = {
        {Phases::Liquid, 8}, {Phases::Fluid, 8}, {Phases::Vapor, 14}};
    for (const auto& [phases, firstColumn] : cases) {
        PointResult result;
        result.phases = phases;
        result.liquid = record(0.01, 3.17, 1019.6, 18.07, 1e5, 4028.7);
        result.vapor = result.liquid;
        std::string line;
        TableFormatter(17).appendRow(line, input(1, 25.0, 1.0, 0.01), result);
        const std::vector<std::string> f = fields(line);
        for (int column = 8; column < 26; ++column) {
            const bool shown = column >= firstColumn && column < firstColumn + 6;
            EXPECT_EQ(f[column].empty(), !shown)
                << "state " << static_cast<int>(phases) << " column " << column;
        }
    }
}

TEST(TableFormatterTest, OutOfRangePointsAreFlagged) {
    struct Case {
        double t, p, x;
        const char* flag;
    };
    const Case cases[] = {{0.0, 1.0, 0.0, "0"},       {1000.0, 5000.0, 1.0, "0"},
                          {-1.0, 100.0, 0.1, "1"},    {1001.0, 100.0, 0.1, "1"},
                          {500.0, 0.5, 0.1, "1"},     {500.0, 5001.0, 0.1, "1"},
                          {500.0, 100.0, -0.01, "1"}, {500.0, 100.0, 1.01, "1"}};
    for (const Case& c : cases) {
        std::string line;
        TableFormatter(17).appendRow(line, input(1, c.t, c.p, c.x), PointResult{});
        EXPECT_EQ(fields(line)[5], c.flag) << c.t << " " << c.p << " " << c.x;
    }
}

// Rows that cannot be read keep their line, the text of their fields in the input columns and
// the passed-through fields; every row, good or bad, has the header's field count, with any
// separator and with texts that need quoting.
TEST(TableFormatterTest, ErrorRowsAndPassedThroughColumnsKeepTheirTextAndTheFieldCount) {
    for (const char delimiter : {',', ';', '\t'}) {
        const TableFormatter formatter(TableStyle{0, delimiter, '.'},
                                       {"sample", " note ", "a,b;c\td"});
        const auto split = [&](const std::string& line) { return fields(line, delimiter); };
        const std::vector<std::string> header = split(formatter.header());
        ASSERT_EQ(static_cast<int>(header.size()), formatter.columnCount());
        EXPECT_EQ(
            std::vector<std::string>(header.begin() + 4, header.begin() + 9),
            (std::vector<std::string>{"w_NaCl", "sample", " note ", "a,b;c\td", "out_of_range"}));

        InputRow bad;
        bad.line = 12;
        bad.error = "P_bar: 'a,\"b' is not a number";
        bad.inputText = {"25", "a,\"b", "", "0.1"};
        bad.extras = {"S-1", "  two\nlines ", ""};
        std::string line;
        formatter.appendErrorRow(line, bad);
        const std::vector<std::string> f = split(line);
        ASSERT_EQ(static_cast<int>(f.size()), formatter.columnCount()) << line;
        EXPECT_EQ(
            std::vector<std::string>(f.begin(), f.begin() + 8),
            (std::vector<std::string>{"12", "25", "a,\"b", "", "0.1", "S-1", "  two\nlines ", ""}));
        EXPECT_EQ(f.back(), bad.error);
        for (std::size_t i = 8; i + 1 < f.size(); ++i) {
            EXPECT_TRUE(f[i].empty()) << i;
        }

        InputRow good = input(3, 25.0, 1.0, 0.01);
        good.extras = {"S-2", "x", "y"};
        line.clear();
        formatter.appendRow(line, good, PointResult{});
        const std::vector<std::string> g = split(line);
        ASSERT_EQ(static_cast<int>(g.size()), formatter.columnCount()) << line;
        EXPECT_EQ(g[5], "S-2");
        EXPECT_EQ(g[8], "0");  // out_of_range follows the passed-through columns
    }
    EXPECT_EQ(csvField("plain text"), "plain text");
    EXPECT_EQ(csvField("a \"b\", c"), "\"a \"\"b\"\", c\"");
    EXPECT_EQ(csvField("a;b", ';'), "\"a;b\"");
    EXPECT_EQ(csvField("a;b", ','), "a;b");
    EXPECT_EQ(TableFormatter::clashingColumn({"sample", "State"}), "State");
    EXPECT_EQ(TableFormatter::clashingColumn({"sample", "Liquid_Density_kg_m3 "}),
              "Liquid_Density_kg_m3 ");
    EXPECT_EQ(TableFormatter::clashingColumn({"sample", "T"}), "");
    EXPECT_EQ(TableFormatter::clashingColumn({"Warnings"}), "Warnings");
    EXPECT_EQ(TableFormatter::clashingColumn({"halite_saturation"}), "halite_saturation");
    // inverse_status is an output column of the inverse modes only.
    EXPECT_EQ(TableFormatter::clashingColumn({"inverse_status"}), "");
    EXPECT_EQ(TableFormatter::clashingColumn({"inverse_status"}, TableMode::PressureDensity),
              "inverse_status");

    // With '|' between fields, the warnings (joined by '|') are one quoted field.
    PointResult doubtful;
    doubtful.phases = Phases::Liquid;
    doubtful.warnings = kWarningIceField | kWarningLowPressureVolume;
    std::string line;
    TableFormatter(TableStyle{0, '|', '.'}).appendRow(line, input(1, 2.0, 1.0, 0.01), doubtful);
    EXPECT_NE(line.find("|\"ice_field|low_pressure_volume\"|"), std::string::npos) << line;
    EXPECT_EQ(static_cast<int>(fields(line, '|').size()), TableFormatter(17).columnCount());
}

}  // namespace
}  // namespace kelvoran
