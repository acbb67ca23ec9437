#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

namespace kelvoran {

// A fixture with a scratch folder of its own per test (named after the process and the test,
// so that tests running at once never share one), removed with everything in it afterwards.
class ScratchFolderTest : public ::testing::Test {
  protected:
    explicit ScratchFolderTest(std::string prefix) : prefix_(std::move(prefix)) {}

    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               (prefix_ + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // The whole content of a file, byte for byte ("" for a missing file).
    static std::string read(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::filesystem::path dir_;

  private:
    std::string prefix_;
};

}  // namespace kelvoran
