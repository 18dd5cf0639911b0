#include "CBaseException.h"
#include "Basilvo/Basilvo.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>

namespace {

int FailingOperation(int which)
{
    return QB_GUARDED(-1, {
        if (which == 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        if (which == 1)
            throw std::runtime_error("standard failure");
        if (which == 2)
            throw 42;
        return 7;
    });
}

} // namespace

TEST(CBaseException, NullTextsBecomeEmpty)
{
    CBaseException e(5, nullptr, 12, nullptr);
    int line = 0;
    EXPECT_STREQ("", e.GetExceptionMsg());
    EXPECT_STREQ("", e.GetExceptionSource(&line));
    EXPECT_EQ(12, line);
    EXPECT_EQ(5, e.GetCode());
}

TEST(CBaseException, ClearKeepsSourceAndCopyOntoItselfIsNoop)
{
    CBaseException e(10021013, "file_read error", 33, "file.cpp");
    e.Copy(&e);
    EXPECT_EQ(10021013, e.GetExceptionCode());
    e.Clear();
    int line = 0;
    EXPECT_EQ(0, e.GetExceptionCode());
    EXPECT_STREQ("", e.GetExceptionMsg());
    EXPECT_STREQ("file.cpp", e.GetExceptionSource(&line));
    EXPECT_EQ(33, line);
}

TEST(CBaseException, RecordRoundTripCarriesAllFourValues)
{
    CBaseException thrown(10021016, "End of file", 99, "src.cpp");
    GetQuentaException()->Copy(&thrown);
    CBaseException again(GetQuentaException());
    int line = 0;
    EXPECT_EQ(10021016, again.GetCode());
    EXPECT_STREQ("End of file", again.GetMsg());
    EXPECT_STREQ("src.cpp", again.GetExceptionSource(&line));
    EXPECT_EQ(99, line);
}

TEST(CBaseException, BoundaryRecordsEachKindOfException)
{
    struct Case
    {
        int which;
        int result;
        int code;
        const char* msg;
    };
    const Case cases[] = {
        {0, -1, 10021010, "Bad param"},
        {1, -1, 10021015, "standard failure"},
        {2, -1, 10021008, "Unknown exception"},
    };
    for (const Case& c : cases) {
        GetQuentaException()->Clear();
        EXPECT_EQ(c.result, FailingOperation(c.which));
        EXPECT_EQ(c.code, GetQuentaException()->GetExceptionCode());
        EXPECT_STREQ(c.msg, GetQuentaException()->GetExceptionMsg());
    }
    EXPECT_EQ(7, FailingOperation(3));
}

TEST(CBaseException, ErrnoMessageShape)
{
    const std::string msg = QuentaBased::ErrnoMessage("file_close error", 9);
    EXPECT_EQ(0u, msg.find("file_close error: errno: 9 "));
    EXPECT_GT(msg.size(), std::string("file_close error: errno: 9 ").size());
}

TEST(QuentaExceptionRecord, OnePerThreadAndFreshAfterRelease)
{
    IQuentaException* mine = GetQuentaException();
    EXPECT_EQ(mine, GetQuentaException());
    IQuentaException* other = nullptr;
    std::thread([&] { other = GetQuentaException(); }).join();
    EXPECT_NE(mine, other);

    mine->SetException(1, "x", 2, "y");
    ReleaseQuentaException();
    IQuentaException* fresh = GetQuentaException();
    int line = 0;
    EXPECT_EQ(0, fresh->GetExceptionCode());
    EXPECT_STREQ("", fresh->GetExceptionMsg());
    EXPECT_STREQ("", fresh->GetExceptionSource(&line));
    EXPECT_EQ(-1, line);
    std::thread([] { ReleaseQuentaException(); }).join();
}
