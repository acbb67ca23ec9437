// kelvoran-table --derivatives: the columns d_<quantity>_d_<variable> of each mode, written for
// every row (empty where the quantity is, and for rows that could not be read or have no state),
// holding the batch API's derivatives bit for bit.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "kelvoran/Batch.h"
#include "table/GridAxis.h"
#include "table/GridSource.h"
#include "table/TableRunner.h"
#include "text/NumberText.h"

namespace kelvoran {
namespace {

std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> out;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, ',')) out.push_back(field);
    if (!line.empty() && line.back() == ',') out.emplace_back();
    return out;
}

struct Table {
    std::vector<std::string> header;
    std::vector<std::vector<std::string>> rows;
    int column(const std::string& name) const {
        for (std::size_t i = 0; i < header.size(); ++i)
            if (header[i] == name) return static_cast<int>(i);
        return -1;
    }
};

Table run(TableMode mode, const char* first, const char* second, const char* x) {
    GridSource grid(GridAxis::parse(first), GridAxis::parse(second), GridAxis::parse(x), false,
                    mode);
    TableFormatter formatter(TableStyle{}, {}, mode);
    formatter.addDerivatives();
    std::string text = formatter.header();
    TableJob job;
    job.next = [&](InputRow& row) {
        if (!grid.next(row)) return false;
        if (row.line % 7 == 0) row.error = "unreadable";
        return true;
    };
    job.write = [&](std::string_view t) { text += t; };
    TableRunner(2, formatter).run(job);
    Table table;
    std::istringstream lines(text);
    std::string line;
    std::getline(lines, line);
    table.header = fields(line);
    while (std::getline(lines, line)) table.rows.push_back(fields(line));
    return table;
}

TEST(TableDerivativesTest, ColumnsOfEachModeHoldTheBatchDerivatives) {
    // The direct mode: T 100–700 °C, P 1–1000 bar, x 0–0.3.
    const Table direct = run(TableMode::Direct, "100:700:7", "1:1000:5:log", "0,0.001,0.05,0.3");
    int derivativeColumns = 0;
    for (const std::string& name : direct.header) derivativeColumns += name.rfind("d_", 0) == 0;
    EXPECT_EQ(derivativeColumns, 45);
    EXPECT_EQ(direct.header.back(), "error");
    const int dRhoLdT = direct.column("d_liquid_density_kg_m3_d_T_C");
    const int dHbdX = direct.column("d_bulk_specific_enthalpy_J_kg_d_x_NaCl");
    const int dSvdP = direct.column("d_vapor_saturation_d_P_bar");
    const int dRhoHdP = direct.column("d_halite_density_kg_m3_d_P_bar");
    ASSERT_GT(dRhoLdT, 0);
    ASSERT_GT(dHbdX, 0);
    ASSERT_GT(dSvdP, 0);
    ASSERT_GT(dRhoHdP, 0);

    std::vector<double> t, p, x;
    std::vector<std::size_t> computed;
    for (std::size_t i = 0; i < direct.rows.size(); ++i) {
        const std::vector<std::string>& row = direct.rows[i];
        ASSERT_EQ(row.size(), direct.header.size()) << "row " << i;
        if (!row.back().empty()) {  // unreadable: nothing computed
            EXPECT_EQ(row[static_cast<std::size_t>(dRhoLdT)], "");
            continue;
        }
        double values[3];
        for (int k = 0; k < 3; ++k) ASSERT_EQ(parseNumber(row[1 + k], values[k]), NumberParse::Ok);
        t.push_back(values[0]);
        p.push_back(values[1]);
        x.push_back(values[2]);
        computed.push_back(i);
    }
    const std::size_t n = t.size();
    std::vector<double> rhoL(n), hB(n), sV(n), rhoH(n);
    std::vector<std::int32_t> state(n);
    BatchColumns out;
    out.state = state.data();
    out.derivatives.liquid.density.first = rhoL.data();
    out.derivatives.bulk.specificEnthalpy.third = hB.data();
    out.derivatives.vapor.saturation.second = sV.data();
    out.derivatives.halite.density.second = rhoH.data();
    evaluateBatch(t, p, x, out);
    int states[8] = {};
    for (std::size_t j = 0; j < n; ++j) {
        const std::vector<std::string>& row = direct.rows[computed[j]];
        const Phases phases = static_cast<Phases>(state[j]);
        ++states[state[j]];
        const auto expect = [&](int column, double value, bool present) {
            std::string text;
            if (present) appendNumber(text, value, 0, '.');
            EXPECT_EQ(row[static_cast<std::size_t>(column)], text)
                << direct.header[static_cast<std::size_t>(column)] << " row " << computed[j];
        };
        expect(dRhoLdT, rhoL[j], hasLiquid(phases));
        expect(dHbdX, hB[j], !hasHalite(phases));  // no bulk enthalpy with halite
        expect(dSvdP, sV[j], hasVapor(phases));
        expect(dRhoHdP, rhoH[j], hasHalite(phases));
    }
    for (int s = 1; s <= 6; ++s) EXPECT_GT(states[s], 0) << "state " << s;

    // The inverse modes name their own variables, with the quantity found first.
    const Table ph = run(TableMode::PressureEnthalpy, "100,300", "1e6:3e6:3", "0.01");
    const Table trho = run(TableMode::TemperatureDensity, "300,500", "100,600", "0.05");
    const int dTdh = ph.column("d_T_C_d_h_J_kg");
    ASSERT_GT(dTdh, 0);
    EXPECT_EQ(ph.header[static_cast<std::size_t>(dTdh - 1)], "d_T_C_d_P_bar");
    EXPECT_GT(trho.column("d_P_bar_d_rho_kg_m3"), 0);
    EXPECT_GT(trho.column("d_liquid_density_kg_m3_d_x_NaCl"), 0);
    for (const Table* table : {&ph, &trho}) {
        for (const std::vector<std::string>& row : table->rows) {
            ASSERT_EQ(row.size(), table->header.size());
        }
    }
    // ∂T/∂h of a solved row is positive (T rises with the enthalpy).
    double slope = 0.0;
    ASSERT_EQ(parseNumber(ph.rows[0][static_cast<std::size_t>(dTdh)], slope), NumberParse::Ok);
    EXPECT_GT(slope, 0.0);
}

}  // namespace
}  // namespace kelvoran
