#include "CDataBuffer2.h"

#include "CBaseException.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using QuentaBased::CDataBuffer2;

namespace {

// One step on a queue: push (back or front) a text, or pop `count` bytes and
// expect `text` back (a pop with drop discards them).
struct Step
{
    enum Kind { Push, PushFront, Pop, Drop } kind;
    std::string text;
    unsigned long count;
    unsigned long sizeAfter;
};

} // namespace

TEST(CDataBuffer2, PushAndPopAcrossChunks)
{
    struct Case
    {
        const char* name;
        std::vector<Step> steps;
    };
    const std::vector<Case> cases = {
        {"pop ends inside the second chunk",
         {{Step::Push, "abc", 0, 3},
          {Step::Push, "defgh", 0, 8},
          {Step::Pop, "abcd", 4, 4},
          {Step::Pop, "efgh", 10, 0}}},
        {"front push comes out first",
         {{Step::Push, "abc", 0, 3}, {Step::PushFront, "xy", 0, 5}, {Step::Pop, "xyabc", 5, 0}}},
        {"dropping with a null buffer",
         {{Step::Push, "abcdef", 0, 6}, {Step::Drop, "", 2, 4}, {Step::Pop, "cdef", 9, 0}}},
        {"asking for more than is held",
         {{Step::Push, "abcdef", 0, 6}, {Step::Pop, "abcdef", 10, 0}, {Step::Pop, "", 3, 0}}},
        {"exact chunk then the next",
         {{Step::Push, "ab", 0, 2},
          {Step::Push, "cd", 0, 4},
          {Step::Pop, "ab", 2, 2},
          {Step::Pop, "c", 1, 1},
          {Step::PushFront, "Z", 0, 2},
          {Step::Pop, "Zd", 2, 0}}},
        {"nothing pushed for zero length", {{Step::Push, "", 0, 0}, {Step::Pop, "", 4, 0}}},
        {"partial pop then front push",
         {{Step::Push, "12345", 0, 5},
          {Step::Pop, "12", 2, 3},
          {Step::PushFront, "0", 0, 4},
          {Step::Pop, "0345", 4, 0}}},
        {"pop of zero bytes", {{Step::Push, "ab", 0, 2}, {Step::Pop, "", 0, 2}}},
    };
    for (const Case& c : cases) {
        for (bool locked : {false, true}) {
            SCOPED_TRACE(testing::Message() << c.name << (locked ? " (locked)" : ""));
            CDataBuffer2 queue(locked);
            for (const Step& step : c.steps) {
                switch (step.kind) {
                case Step::Push: queue.Push(step.text.data(), step.text.size()); break;
                case Step::PushFront: queue.PushFront(step.text.data(), step.text.size()); break;
                case Step::Pop: {
                    std::string out(step.count + 4, '#');
                    const unsigned long got = queue.Pop(&out[0], step.count);
                    EXPECT_EQ(step.text.size(), got);
                    EXPECT_EQ(step.text, out.substr(0, got));
                    EXPECT_EQ(std::string(out.size() - got, '#'), out.substr(got)); // nothing written past
                    break;
                }
                case Step::Drop: EXPECT_EQ(step.count, queue.Pop(nullptr, step.count)); break;
                }
                EXPECT_EQ(step.sizeAfter, queue.GetDataSize());
            }
        }
    }
}

TEST(CDataBuffer2, NullDataClearAndRefusedBlock)
{
    CDataBuffer2 queue(true);
    queue.Push(nullptr, 5);
    queue.PushFront(nullptr, 5);
    EXPECT_EQ(0u, queue.GetDataSize());

    queue.Push("abcdef", 6);
    queue.Pop(nullptr, 1);
    queue.Clear();
    EXPECT_EQ(0u, queue.GetDataSize());
    char out[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(0u, queue.Pop(out, 4));
    EXPECT_EQ('#', out[0]);

    // A block too big to count: refused, and the queue keeps what it had.
    queue.Push("xyz", 3);
    const unsigned long tooBig = 0x100000000ul;
    for (bool front : {false, true}) {
        try {
            front ? queue.PushFront("x", tooBig) : queue.Push("x", tooBig);
            ADD_FAILURE() << "no exception";
        } catch (const CBaseException& e) {
            EXPECT_EQ(QB_ERR_NO_MEMORY, e.GetCode());
            EXPECT_STREQ("No enough memory", e.GetMsg());
        }
    }
    EXPECT_EQ(3u, queue.GetDataSize());
    EXPECT_EQ(3u, queue.Pop(out, 4));
    EXPECT_EQ("xyz", std::string(out, 3));
}

TEST(CDataBuffer2, ProducerAndConsumerThreads)
{
    CDataBuffer2 queue(true);
    const int blocks = 2000;
    std::thread producer([&] {
        for (int i = 0; i < blocks; ++i) {
            std::vector<unsigned char> block(1 + i % 37);
            for (unsigned char& b : block)
                b = static_cast<unsigned char>(i);
            queue.Push(block.data(), block.size());
        }
    });
    unsigned long expectedTotal = 0;
    for (int i = 0; i < blocks; ++i)
        expectedTotal += 1 + i % 37;

    std::vector<unsigned char> received;
    while (received.size() < expectedTotal) {
        unsigned char buffer[29];
        const unsigned long got = queue.Pop(buffer, sizeof(buffer));
        received.insert(received.end(), buffer, buffer + got);
        if (got == 0)
            std::this_thread::yield();
    }
    producer.join();

    std::size_t at = 0;
    for (int i = 0; i < blocks; ++i) {
        for (int j = 0; j < 1 + i % 37; ++j, ++at)
            ASSERT_EQ(static_cast<unsigned char>(i), received[at]) << "block " << i;
    }
    EXPECT_EQ(0u, queue.GetDataSize());
}
