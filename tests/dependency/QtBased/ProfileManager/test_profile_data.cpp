#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileManager/profile_data.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

struct ProfileDeleter
{
    void operator()(IProfile* p) const { p->Release(); }
};
using ProfilePtr = std::unique_ptr<IProfile, ProfileDeleter>;

ProfilePtr Profile(int id, int baseId)
{
    ProfilePtr p(CreateProfile());
    p->GetDesc()->SetID(id);
    p->GetDesc()->SetBaseID(baseId);
    return p;
}

int CodeOf(std::function<void()> body)
{
    try {
        body();
    } catch (CBaseException& e) {
        return e.GetCode();
    }
    return 0;
}

} // namespace

TEST(profile_data, IdRangesDecideKindAndLibraryId)
{
    struct Case
    {
        int id, baseId;
        bool custom, recent;
        int libraryId;
    } cases[] = {
        {9999, 0, false, false, 9999},    {10000, 5, true, false, 10000}, {19999, 5, true, false, 19999},
        {20000, 123, false, true, 123},   {29999, 7, false, true, 7},     {30000, 1, false, false, 30000},
        {12345, 123, true, false, 12345}, {0, 0, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ProfilePtr p = Profile(c.id, c.baseId);
        EXPECT_EQ(c.custom, IsCustomProfile(p.get()));
        EXPECT_EQ(c.recent, IsRecentProfile(p.get()));
        EXPECT_EQ(c.libraryId, getProfileID(p.get()));
    }
    EXPECT_EQ(10021003, CodeOf([] { IsCustomProfile(nullptr); }));
    EXPECT_EQ(10021003, CodeOf([] { IsRecentProfile(nullptr); }));
    EXPECT_EQ(10021003, CodeOf([] { getProfileID(nullptr); }));
}

TEST(profile_data, RandomIdsStayInTheirRange)
{
    TBaseFlags custom(BF_Custom), recent(BF_Recent), both(BF_Custom | BF_Recent), none;
    for (int i = 0; i < 2000; ++i) {
        int c = GetRand(custom);
        EXPECT_TRUE(c >= 10000 && c <= 19999) << c;
        int r = GetRand(recent);
        EXPECT_TRUE(r >= 20000 && r <= 29999) << r;
        int b = GetRand(both); // recent wins
        EXPECT_TRUE(b >= 20000 && b <= 29999) << b;
    }
    EXPECT_EQ(10021008, CodeOf([&] { GetRand(none); }));
}

TEST(profile_data, CategoryTypeOrderIsStable)
{
    CatData a, b, c, d;
    a.type = 2, a.id = 1;
    b.type = 1, b.id = 2;
    c.type = 2, c.id = 3;
    d.type = 1, d.id = 4;
    QList<CatData*> list{&a, &b, &c, &d};
    std::stable_sort(list.begin(), list.end(), CatDataTypeThan);
    QList<int> ids;
    for (CatData* cat : list)
        ids << cat->id;
    EXPECT_EQ((QList<int>{2, 4, 1, 3}), ids);
}

TEST(profile_data, RemuxProfileIsTheOneThatCopiesStreams)
{
    ProfilePtr p = Profile(1, 0);
    EXPECT_FALSE(IsRemuxProfile(p.get()));
    p->GetFileProfile()->SetRemux(1);
    EXPECT_TRUE(IsRemuxProfile(p.get()));
    p->GetFileProfile()->SetRemux(2);
    EXPECT_FALSE(IsRemuxProfile(p.get()));
    EXPECT_EQ(10021008, CodeOf([] { IsRemuxProfile(nullptr); }));
}
