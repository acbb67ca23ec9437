// The property tables of the C interface: load, batch lookup and free against the C++ table
// bit for bit (values and derivatives), a table passed on as bytes, and a damaged file refused
// with a message naming it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kelvoran/Batch.h"
#include "kelvoran/Table.h"
#include "kelvoran/kelvoran.h"
#include "support/SameValue.h"

namespace kelvoran {
namespace {

using testing::sameValue;

TEST(TableInterfaceTest, LooksUpAsTheCppTableAndRefusesDamagedFiles) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("kelvoran-ctable-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "brine.kvt").string();
    TableBuildOptions build;
    build.maxLevel = 4;
    build.rootLevel = 2;
    const PropertyTable cpp = PropertyTable::build(
        TableVariables::PressureEnthalpy, {{150.0, 250.0}, {1.5e6, 2.8e6}, {0.0, 0.05}}, {}, build);
    cpp.save(path);

    kelvoran_table* table = nullptr;
    char message[256] = "unchanged";
    ASSERT_EQ(kelvoran_table_load(path.c_str(), &table, message, sizeof message), KELVORAN_OK);
    EXPECT_STREQ(message, "");
    EXPECT_EQ(kelvoran_table_variables(table), KELVORAN_TABLE_PHX);

    // Points inside the box and beyond it (the model answers those), a NaN among them.
    const std::vector<double> p = {160.0, 240.0, 170.0, 200.0, 50.0, 200.0};
    const std::vector<double> h = {1.6e6, 2.6e6, 2.7e6, 2.0e6, 2.0e6, 2.0e6};
    const std::vector<double> x = {0.01, 0.0, 0.05, 1e-5, 0.01, std::nan("")};
    const std::size_t n = p.size();
    std::vector<std::int32_t> state(n), status(n), cState(n), cStatus(n);
    std::vector<double> t(n), rho(n), sv(n), dTdh(n), dRhodP(n), cT(n), cRho(n), cSv(n),
        cdTdh(n), cdRhodP(n);
    BatchColumns out;
    out.state = state.data();
    out.bulk.density = rho.data();
    out.vapor.saturation = sv.data();
    out.derivatives.temperature.second = dTdh.data();
    out.derivatives.bulk.density.first = dRhodP.data();
    InverseColumns inverse;
    inverse.temperatureC = t.data();
    inverse.status = status.data();
    cpp.evaluate(p, h, x, out, inverse);

    kelvoran_outputs o;
    kelvoran_outputs_init(&o, static_cast<std::int64_t>(n));
    o.state = cState.data();
    o.status = cStatus.data();
    o.temperature_c = cT.data();
    o.bulk.density_kg_m3 = cRho.data();
    o.vapor.saturation = cSv.data();
    kelvoran_derivatives d;
    kelvoran_derivatives_init(&d, static_cast<std::int64_t>(n));
    d.temperature.second = cdTdh.data();
    d.bulk.density_kg_m3.first = cdRhodP.data();
    ASSERT_EQ(kelvoran_table_evaluate(table, static_cast<std::int64_t>(n), p.data(), h.data(),
                                      x.data(), &o, &d, nullptr),
              KELVORAN_OK);
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(cState[i], state[i]);
        EXPECT_EQ(cStatus[i], status[i]);
        EXPECT_TRUE(sameValue(cT[i], t[i]) && sameValue(cRho[i], rho[i]) &&
                    sameValue(cSv[i], sv[i]) && sameValue(cdTdh[i], dTdh[i]) &&
                    sameValue(cdRhodP[i], dRhodP[i]))
            << "point " << i;
    }
    EXPECT_NE(cState[0], 0);
    EXPECT_EQ(kelvoran_table_evaluate(nullptr, 1, p.data(), h.data(), x.data(), &o, &d, nullptr),
              KELVORAN_ERROR_NULL_POINTER);
    EXPECT_EQ(kelvoran_table_evaluate(table, static_cast<std::int64_t>(n) + 1, p.data(), h.data(),
                                      x.data(), &o, &d, nullptr),
              KELVORAN_ERROR_LENGTH);

    // The image of the table, as an MPI run would send it to its other ranks: a table made of
    // a copy of it answers as the file's, and a cut copy is refused by its label.
    const void* image = nullptr;
    std::int64_t size = 0;
    ASSERT_EQ(kelvoran_table_bytes(table, &image, &size), KELVORAN_OK);
    ASSERT_EQ(static_cast<std::uintmax_t>(size), std::filesystem::file_size(path));
    std::vector<unsigned char> sent(static_cast<const unsigned char*>(image),
                                    static_cast<const unsigned char*>(image) + size);
    kelvoran_table_free(table);
    kelvoran_table* other = nullptr;
    EXPECT_EQ(kelvoran_table_from_bytes(sent.data(), size / 2, &other, message, sizeof message),
              KELVORAN_ERROR_TABLE_FILE);
    EXPECT_EQ(other, nullptr);
    EXPECT_NE(std::string(message).find("the table's bytes"), std::string::npos) << message;
    ASSERT_EQ(kelvoran_table_from_bytes(sent.data(), size, &table, message, sizeof message),
              KELVORAN_OK);
    sent.assign(sent.size(), 0);  // the table holds its own copy
    std::vector<double> again(n);
    o.bulk.density_kg_m3 = again.data();
    ASSERT_EQ(kelvoran_table_evaluate(table, static_cast<std::int64_t>(n), p.data(), h.data(),
                                      x.data(), &o, nullptr, nullptr),
              KELVORAN_OK);
    for (std::size_t i = 0; i < n; ++i) EXPECT_TRUE(sameValue(again[i], rho[i])) << "point " << i;
    EXPECT_EQ(kelvoran_table_from_bytes(nullptr, 1, &other, nullptr, 0), KELVORAN_ERROR_NULL_POINTER);
    EXPECT_EQ(kelvoran_table_from_bytes(sent.data(), -1, &other, nullptr, 0), KELVORAN_ERROR_LENGTH);
    EXPECT_EQ(kelvoran_table_bytes(nullptr, &image, &size), KELVORAN_ERROR_NULL_POINTER);
    EXPECT_EQ(image, nullptr);
    kelvoran_table_free(table);
    kelvoran_table_free(nullptr);

    // A truncated file: no table, the code and the file's name in the message.
    const std::string cut = (dir / "cut.kvt").string();
    std::filesystem::copy_file(path, cut);
    std::filesystem::resize_file(cut, std::filesystem::file_size(cut) / 2);
    table = reinterpret_cast<kelvoran_table*>(&message);
    EXPECT_EQ(kelvoran_table_load(cut.c_str(), &table, message, sizeof message),
              KELVORAN_ERROR_TABLE_FILE);
    EXPECT_EQ(table, nullptr);
    EXPECT_NE(std::string(message).find(cut), std::string::npos) << message;
    char tiny[8];
    EXPECT_EQ(kelvoran_table_load(cut.c_str(), &table, tiny, sizeof tiny), KELVORAN_ERROR_TABLE_FILE);
    EXPECT_EQ(std::strlen(tiny), sizeof tiny - 1);
    EXPECT_EQ(kelvoran_table_load(nullptr, &table, nullptr, 0), KELVORAN_ERROR_NULL_POINTER);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvoran
