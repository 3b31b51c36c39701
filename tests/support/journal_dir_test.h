#pragma once
// A fixture with a folder of its own per test, and the path of a journal in it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace fendrix::testing {

class JournalDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("journal-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        path_ = (dir_ / "line.journal").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::filesystem::path dir_;
    std::string path_;
};

}  // namespace fendrix::testing
