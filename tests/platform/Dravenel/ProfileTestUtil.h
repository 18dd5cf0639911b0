#pragma once

#include "Basilvo/Basilvo.h"
#include "IProfile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace ProfileTest {

struct ProfileRelease
{
    void operator()(IProfile* p) const
    {
        if (p)
            p->Release();
    }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileRelease>;

inline ProfilePtr New()
{
    return ProfilePtr(CreateProfile());
}

inline int Code()
{
    return GetQuentaException()->GetExceptionCode();
}

// A folder below /tmp for one test, removed afterwards.
class Scratch : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string tmpl = "/tmp/dravenelXXXXXX";
        ASSERT_NE(nullptr, mkdtemp(&tmpl[0]));
        m_dir = tmpl;
        GetQuentaException()->Clear();
    }
    void TearDown() override { std::system(("rm -rf '" + m_dir + "'").c_str()); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }
    void Put(const std::string& name, const std::string& text) const { std::ofstream(Path(name)) << text; }
    std::string Get(const std::string& name) const
    {
        std::ifstream in(Path(name));
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string m_dir;
};

} // namespace ProfileTest
