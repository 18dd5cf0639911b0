#include "quenta_base_streams.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "ScratchFiles.h"

#include <gtest/gtest.h>

#include <climits>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace QuentaBased;

namespace {

using QuentaTest::Code;
using QuentaTest::Msg;

std::string Contents(CMemoryStream& s)
{
    return std::string(static_cast<const char*>(s.GetMemory()), static_cast<size_t>(s.GetSize()));
}

// A source that hands out at most `step` bytes per Read and 0 once it is dry,
// and claims a size larger than what it really holds.
class TricklingSource : public CQuentaStreamImpl
{
public:
    TricklingSource(std::string data, unsigned int step) : m_data(std::move(data)), m_step(step) {}
    unsigned int Read(void* buffer, unsigned int count) override
    {
        const size_t n = std::min<size_t>({count, m_step, m_data.size() - m_pos});
        std::memcpy(buffer, m_data.data() + m_pos, n);
        m_pos += n;
        return static_cast<unsigned int>(n);
    }
    unsigned int Write(const void*, unsigned int) override { return STREAM_ERROR; }
    long long Seek(long long offset, SeekOrigin origin) override
    {
        const long long claimed = static_cast<long long>(m_data.size()) + 100;
        m_pos = static_cast<size_t>(origin == soFromEnd ? claimed : origin == soFromCurrent ? m_pos + offset : offset);
        return static_cast<long long>(m_pos);
    }
    bool Eof() override { return m_pos >= m_data.size(); }

private:
    std::string m_data;
    unsigned int m_step;
    size_t m_pos = 0;
};

class TempDir : public QuentaTest::ScratchFolder
{
protected:
    TempDir() : ScratchFolder("fc_stream_") {}
};

} // namespace

TEST(MemoryStream, GrowthCapacityAndTrimming)
{
    CMemoryStream* s = new CMemoryStream();
    EXPECT_EQ(0, s->GetSize());
    EXPECT_EQ(0, s->GetCapacity());
    EXPECT_TRUE(s->Eof());

    const std::string big(8192, 'b');
    struct Step
    {
        const void* data;
        unsigned int count;
        long long size;
        long long capacity;
    };
    const Step steps[] = {{"a", 1, 1, 8192}, {big.data(), 8192, 8193, 16384}};
    for (const Step& st : steps) {
        EXPECT_EQ(st.count, s->Write(st.data, st.count));
        EXPECT_EQ(st.size, s->GetSize());
        EXPECT_EQ(st.capacity, s->GetCapacity());
    }
    EXPECT_TRUE(s->Eof());

    ASSERT_TRUE(s->SetSize(100));
    EXPECT_EQ(100, s->GetPosition()) << "a position past the new end moves to the end";
    EXPECT_TRUE(s->SetSize(100));
    EXPECT_EQ(100, s->GetCapacity()) << "a request equal to the size stays exact";
    EXPECT_TRUE(s->SetSize(50));
    EXPECT_EQ(8192, s->GetCapacity());
    void* block = s->GetMemory();
    EXPECT_TRUE(s->SetSize(40));
    EXPECT_EQ(block, s->GetMemory()) << "same capacity, same block";
    EXPECT_EQ("a" + std::string(39, 'b'), Contents(*s));

    // The data may never outgrow its block.
    EXPECT_TRUE(s->SetCapacity(10));
    EXPECT_EQ(40, s->GetCapacity());
    EXPECT_EQ("a" + std::string(39, 'b'), Contents(*s));

    s->Clear();
    EXPECT_EQ(0, s->GetCapacity());
    EXPECT_EQ(nullptr, s->GetMemory());
    s->Free();
}

TEST(MemoryStream, SeekReadWriteEdges)
{
    CMemoryStream s;
    EXPECT_EQ(STREAM_ERROR, s.Write("", 0));
    EXPECT_EQ(QB_ERR_DEST_SMALL, Code());
    EXPECT_EQ("Dest buffer is not enough", Msg());
    ASSERT_EQ(5u, s.Write("hello", 5));
    EXPECT_EQ(0u, s.Write("", 0)) << "an empty write elsewhere is no error";

    EXPECT_EQ(-1, s.Seek(1, soFromEnd));
    EXPECT_EQ(QB_ERR_END_OF_DATA, Code());
    EXPECT_EQ("Position can't large than end", Msg());
    EXPECT_EQ(5, s.GetPosition()) << "a refused seek leaves the position";
    EXPECT_EQ(5, s.Seek(0, QuentaBased::soFromEnd)) << "origins are reachable through the namespace too";
    EXPECT_EQ(0, Code());

    char buf[8] = {};
    EXPECT_EQ(0u, s.Read(buf, 8)) << "reading at the end is no error";
    EXPECT_EQ(0, Code());
    EXPECT_TRUE(s.Eof());
    EXPECT_EQ(1, s.Seek(1, soFromBeginning));
    EXPECT_EQ(3u, s.Read(buf, 3));
    EXPECT_STREQ("ell", buf);
    EXPECT_EQ(STREAM_ERROR, s.Read(nullptr, 1));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());

    // Sums past the 64-bit range are refused, not wrapped round.
    for (const long long offset : {LLONG_MAX, LLONG_MAX - 2}) {
        for (const SeekOrigin origin : {soFromCurrent, soFromEnd}) {
            EXPECT_EQ(-1, s.Seek(offset, origin)) << offset << " from " << origin;
            EXPECT_EQ(QB_ERR_END_OF_DATA, Code());
            EXPECT_EQ(4, s.GetPosition());
        }
    }

    EXPECT_EQ(-1, s.Seek(-1, soFromBeginning)) << "a negative target is accepted";
    EXPECT_EQ(-1, s.Seek(LLONG_MIN, soFromCurrent)) << "and refused when it wraps";
    EXPECT_EQ(-1, s.GetPosition());
    EXPECT_EQ(5, s.GetSize()) << "the size is still known at a negative position";
    EXPECT_EQ(STREAM_ERROR, s.Read(buf, 1));
    EXPECT_EQ(STREAM_ERROR, s.Write("x", 1));
    EXPECT_EQ(QB_ERR_BAD_PARAM, Code());
    EXPECT_EQ("Count can't less than zero", Msg());
}

TEST(MemoryStream, ImpossibleSizesFailAndKeepTheData)
{
    CMemoryStream s;
    ASSERT_EQ(3u, s.Write("abc", 3));
    void* block = s.GetMemory();
    const long long huge = 1LL << 40;
    EXPECT_FALSE(s.SetSize(huge));
    EXPECT_EQ(QB_ERR_NO_MEMORY, Code());
    EXPECT_FALSE(s.SetCapacity(huge));
    EXPECT_EQ(block, s.GetMemory());
    EXPECT_EQ(3, s.GetSize());
    EXPECT_EQ(8192, s.GetCapacity());
    EXPECT_EQ("abc", Contents(s));
    EXPECT_FALSE(s.SetSize(-1));
    EXPECT_EQ(3, s.GetSize());
}

TEST(MemoryStream, CopyFromSpansManyChunks)
{
    // The copy goes through a buffer of 61440 bytes: every byte of a longer
    // copy must arrive once and in order, the last partial chunk included.
    std::string data(3 * 61440 + 123, '\0');
    unsigned int seed = 12345;
    for (char& c : data) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    CMemoryStream src;
    ASSERT_EQ(data.size(), src.Write(data.data(), static_cast<unsigned int>(data.size())));

    struct Case
    {
        const char* what;
        long long start;
        long long count;
        long long copied;
    };
    const Case cases[] = {
        {"whole source", 0, 0, static_cast<long long>(data.size())},
        {"exactly two chunks", 7, 2 * 61440, 2 * 61440},
        {"one byte past a chunk", 61439, 61441, 61441},
        {"more than the source holds", 100000, 1 << 20, static_cast<long long>(data.size()) - 100000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        src.Seek(c.start, soFromBeginning);
        CMemoryStream dst;
        EXPECT_EQ(c.copied, dst.CopyFrom(&src, c.count));
        EXPECT_TRUE(Contents(dst) == data.substr(static_cast<size_t>(c.start), static_cast<size_t>(c.copied)));
    }

    // A source handing out less than a chunk per read.
    TricklingSource trickle(data, 50000);
    CMemoryStream dst;
    EXPECT_EQ(static_cast<long long>(data.size()), dst.CopyFrom(&trickle, static_cast<long long>(data.size())));
    EXPECT_TRUE(Contents(dst) == data);
}

TEST(MemoryStream, CopyFromAndLoadSave)
{
    CMemoryStream src;
    ASSERT_EQ(6u, src.Write("abcdef", 6));
    src.Seek(4, soFromBeginning);

    CMemoryStream whole;
    EXPECT_EQ(6, whole.CopyFrom(&src, 0)) << "count 0 copies the whole source from its start";
    EXPECT_EQ("abcdef", Contents(whole));

    src.Seek(2, soFromBeginning);
    CMemoryStream part;
    EXPECT_EQ(3, part.CopyFrom(&src, 3));
    EXPECT_EQ("cde", Contents(part));

    EXPECT_EQ(-1, part.CopyFrom(&src, -1));
    EXPECT_EQ(QB_ERR_BAD_PARAM, Code());
    EXPECT_EQ("Count can't be less than zero", Msg());
    EXPECT_EQ(-1, part.CopyFrom(nullptr, 1));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());

    // A source that delivers less than asked: only the bytes read are written.
    TricklingSource trickle("0123456789", 3);
    CMemoryStream dst;
    EXPECT_EQ(10, dst.CopyFrom(&trickle, 100));
    EXPECT_EQ("0123456789", Contents(dst));

    // Saving copies the whole stream, wherever its position stands.
    src.Seek(5, soFromBeginning);
    CMemoryStream saved;
    EXPECT_TRUE(src.SaveToStream(&saved));
    EXPECT_EQ("abcdef", Contents(saved));
    EXPECT_FALSE(src.SaveToStream(nullptr));
    EXPECT_EQ(QB_ERR_BAD_POINTER, Code());
    CMemoryStream empty;
    EXPECT_FALSE(empty.SaveToStream(&saved));

    CMemoryStream loaded;
    src.Seek(3, soFromBeginning);
    EXPECT_TRUE(loaded.LoadFromStream(&src));
    EXPECT_EQ("abcdef", Contents(loaded));
    EXPECT_EQ(6, loaded.GetPosition());
    EXPECT_FALSE(loaded.LoadFromStream(&empty));
    EXPECT_EQ(QB_ERR_SOURCE_EMPTY, Code());
    EXPECT_EQ("Soure Stream is empty", Msg());
    EXPECT_EQ("abcdef", Contents(loaded)) << "a failed load leaves the stream alone";
}

TEST_F(TempDir, MemoryStreamFiles)
{
    CMemoryStream s;
    ASSERT_EQ(4u, s.Write("data", 4));
    Put("out.bin", "much older and longer content");
    s.Seek(2, soFromBeginning);
    EXPECT_TRUE(s.SaveToFile(Path("out.bin")));
    EXPECT_EQ("data", Get("out.bin"));

    CMemoryStream back;
    EXPECT_TRUE(back.LoadFromFile(Path("out.bin")));
    EXPECT_EQ("data", Contents(back));

    EXPECT_FALSE(back.LoadFromFile(Path("missing.bin")));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ(0u, Msg().find("file_open error, filename = " + Path("missing.bin") + ": errno: 2 "));
    EXPECT_FALSE(s.SaveToFile(Path("no/dir/out.bin")));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());

    // Closing the file must not wipe out why the load failed.
    Put("empty.bin", "");
    EXPECT_FALSE(back.LoadFromFile(Path("empty.bin")));
    EXPECT_EQ(QB_ERR_SOURCE_EMPTY, Code());
    EXPECT_EQ("Soure Stream is empty", Msg());
    EXPECT_EQ("data", Contents(back));
}

TEST_F(TempDir, HandleAndFileStreams)
{
    try {
        CHandleStream bad(-1);
        FAIL() << "descriptor -1 must be refused";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_BAD_PARAM, e.GetCode());
        EXPECT_STREQ("CHandleStream::CHandleStream: bad file handle", e.GetMsg());
    }
    try {
        CFileStream missing(Path("missing"), 0x20);
        FAIL() << "a missing file must throw";
    } catch (const CBaseException& e) {
        EXPECT_EQ(QB_ERR_FILE_IO, e.GetCode());
        EXPECT_EQ("file_open error, filename = " + Path("missing") + ": errno: 2 " + std::strerror(ENOENT),
                  std::string(e.GetMsg()));
    }

    Put("f", "0123456789");
    CFileStream* fs = new CFileStream(Path("f"), 0x20);
    char buf[8] = {};
    EXPECT_EQ(4, fs->Seek(4, soFromBeginning));
    EXPECT_EQ(10, fs->GetSize());
    EXPECT_EQ(4, fs->GetPosition()) << "GetSize puts the position back";
    EXPECT_EQ(6u, fs->Read(buf, 8));
    EXPECT_FALSE(fs->Eof());
    EXPECT_EQ(STREAM_ERROR, fs->Read(buf, 8));
    EXPECT_EQ(QB_ERR_END_OF_DATA, Code());
    EXPECT_TRUE(fs->Eof());
    fs->Seek(0, soFromBeginning);
    EXPECT_FALSE(fs->Eof());
    const int fd = fs->GetHandle();
    fs->Free();
    EXPECT_EQ(-1, fcntl(fd, F_GETFD)) << "a file stream closes its file";

    Put("g", std::string(100, 'g'));
    CFileStream* rw = new CFileStream(Path("g"), 2);
    EXPECT_FALSE(rw->SetSize(-1));
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ("Stream Size less than Seek", Msg());
    EXPECT_TRUE(rw->SetSize(10));
    EXPECT_EQ(0, rw->GetPosition());
    EXPECT_EQ(10, rw->GetSize());
    rw->Free();
    EXPECT_EQ(std::string(10, 'g'), Get("g"));

    CFileStream* ro = new CFileStream(Path("g"), 0);
    EXPECT_FALSE(ro->SetSize(5)) << "a read-only file cannot be cut";
    EXPECT_EQ(QB_ERR_FILE_IO, Code());
    EXPECT_EQ(0u, Msg().find("file_set_current_end: errno: "));
    EXPECT_EQ(STREAM_ERROR, ro->Write("x", 1));
    EXPECT_EQ(0u, Msg().find("file_write error: errno: "));
    ro->Free();

    const int raw = ::open(Path("g").c_str(), O_RDONLY);
    ASSERT_GE(raw, 0);
    CHandleStream* hs = new CHandleStream(raw);
    EXPECT_EQ(raw, hs->GetHandle());
    hs->Free();

    // GetHandle is a virtual operation of the handle stream: a stream built on
    // it is asked through the base for its own descriptor.
    struct OwnHandleStream : CHandleStream
    {
        using CHandleStream::CHandleStream;
        int GetHandle() override { return 4242; }
    };
    CHandleStream* own = new OwnHandleStream(raw);
    EXPECT_EQ(4242, own->GetHandle());
    own->Free();
    EXPECT_NE(-1, fcntl(raw, F_GETFD)) << "a handle stream leaves its descriptor open";
    ::close(raw);

    CFileStream* created = new CFileStream(Path("new"), 0xFFFF);
    EXPECT_EQ(3u, created->Write("xyz", 3));
    CMemoryStream mem;
    EXPECT_EQ(3, mem.CopyFrom(created, 0));
    EXPECT_EQ("xyz", Contents(mem));
    created->Free();
}
