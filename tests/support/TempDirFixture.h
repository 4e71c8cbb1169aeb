// A fixture with a temporary folder of its own, removed after the test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tqv {

class TempDirFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string dir = (std::filesystem::temp_directory_path() / "tqv-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(dir.data()), nullptr);
        m_dir = dir;
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string path(const std::string &name) const { return (m_dir / name).string(); }
    // The names in the folder, sorted.
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto &e : std::filesystem::directory_iterator(m_dir))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path m_dir;
};

} // namespace tqv
