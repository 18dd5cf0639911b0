#pragma once

// A scratch folder per test, removed afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace OrlendarTest {

class Scratch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string tmpl = "/tmp/orlendarXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&tmpl[0]));
        m_dir = tmpl;
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    std::string m_dir;
};

} // namespace OrlendarTest
