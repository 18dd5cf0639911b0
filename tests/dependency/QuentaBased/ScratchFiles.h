#pragma once

// Helpers shared by the foundation's file and stream tests: the calling
// thread's last error, and a scratch folder below /tmp that lives for one test.

#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace QuentaTest {

inline int Code()
{
    return GetQuentaException()->GetExceptionCode();
}

inline std::string Msg()
{
    return GetQuentaException()->GetExceptionMsg();
}

// A fresh folder per test, removed with everything in it afterwards. Each test
// starts with a clean last-error record.
class ScratchFolder : public ::testing::Test
{
protected:
    explicit ScratchFolder(const char* prefix) : m_prefix(prefix) {}

    void SetUp() override
    {
        std::string tmpl = "/tmp/" + m_prefix + "XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&tmpl[0]));
        m_dir = tmpl;
        GetQuentaException()->Clear();
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }

    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    void Put(const std::string& name, const std::string& content) const
    {
        std::ofstream(Path(name), std::ios::binary) << content;
    }
    std::string Get(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string m_prefix;
    std::string m_dir;
};

} // namespace QuentaTest
