#include "CObjectList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using QuentaBased::CHandleList; // also reachable without the namespace

namespace {

// Counts its own destruction so the tests can see what was freed.
struct Tracked
{
    Tracked(std::vector<std::string>& log, std::string name) : log(log), name(std::move(name)) {}
    ~Tracked() { log.push_back(name); }
    std::vector<std::string>& log;
    std::string name;
};

void ExpectThrows(const std::function<void()>& call, int code, const char* message)
{
    try {
        call();
        ADD_FAILURE() << "no exception";
    } catch (const CBaseException& e) {
        EXPECT_EQ(code, e.GetCode());
        EXPECT_STREQ(message, e.GetMsg());
    }
}

} // namespace

TEST(CHandleList, OwningListFreesWhatItHolds)
{
    std::vector<std::string> freed;
    Tracked* extracted = nullptr;
    {
        CHandleList<Tracked*> list;
        EXPECT_TRUE(list.IsOwned());
        Tracked* a = new Tracked(freed, "a");
        Tracked* b = new Tracked(freed, "b");
        EXPECT_EQ(0u, list.Add(a));
        EXPECT_EQ(1u, list.Add(b));
        EXPECT_EQ(2u, list.Add(new Tracked(freed, "c")));
        EXPECT_EQ(3u, list.Add(nullptr)); // a null element is ignored when freed
        EXPECT_EQ(b, list.At(1));

        EXPECT_EQ(1u, list.Remove(b));
        EXPECT_EQ(std::vector<std::string>{"b"}, freed);
        extracted = list.Extract(0);
        EXPECT_EQ(a, extracted);
        EXPECT_EQ(2u, list.GetCount());
        EXPECT_EQ("c", list.At(0)->name);

        ExpectThrows([&] { list.At(2); }, QB_ERR_INDEX, "index error");
        ExpectThrows([&] { list.Extract(7); }, QB_ERR_INDEX, "index error");
        Tracked outsider(freed, "outsider");
        Tracked* stranger = &outsider;
        ExpectThrows([&] { list.Remove(stranger); }, QB_ERR_NOT_FOUND, "Object is not exist");
        EXPECT_EQ(2u, list.GetCount());
        freed.clear();
    }
    // Destroyed: "outsider" went out of scope, then the list freed "c".
    EXPECT_EQ((std::vector<std::string>{"outsider", "c"}), freed);
    delete extracted; // extraction handed ownership over
}

TEST(CHandleList, ListThatDoesNotOwnFreesNothing)
{
    std::vector<std::string> freed;
    Tracked a(freed, "a");
    Tracked b(freed, "b");
    {
        ::CHandleList<Tracked*, QuentaBased::ObjectHandleFree<Tracked*>> list(false);
        list.Add(&a);
        list.Add(&b);
        list.Add(&a);
        Tracked* first = &a;
        EXPECT_EQ(0u, list.Remove(first)); // the first occurrence
        EXPECT_EQ(&b, list.At(0));
        EXPECT_EQ(&a, list.At(1));
        list.Clear();
        EXPECT_EQ(0u, list.GetCount());
        list.Add(&b);
    }
    EXPECT_TRUE(freed.empty());
}

namespace {

struct CountingFree
{
    static int freed;
    static void Free(int* item)
    {
        ++freed;
        delete item;
    }
};
int CountingFree::freed = 0;

} // namespace

TEST(CHandleList, FreePolicyDecidesHowElementsGo)
{
    CountingFree::freed = 0;
    {
        CHandleList<int*, CountingFree> list;
        list.Add(new int(1));
        list.Add(new int(2));
        int* second = list.At(1);
        list.Remove(second);
        EXPECT_EQ(1, CountingFree::freed);
    }
    EXPECT_EQ(2, CountingFree::freed);
}
