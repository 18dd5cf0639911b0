#include "LibraryViewsTestMedia.h"

#include "MainPages/fmdmediatreemodel.h"
#include "MainPages/mediaslibmimetype.h"
#include "MainPages/vicondisplayview.h"

#include <QMimeData>
#include <QRandomGenerator>

#include <gtest/gtest.h>

using Fablecut::ISourceDataItem;

namespace {

QByteArray Raw(const QVector<quint32>& entries)
{
    QByteArray raw;
    for (quint32 v : entries)
        for (int b = 0; b < 4; ++b)
            raw.append(static_cast<char>((v >> (8 * b)) & 0xff));
    return raw;
}

quint32 HandleOf(ISourceDataItem* item)
{
    return MediasLibPayload::HandleOfPath(item->GetSrcFileFullPath());
}

} // namespace

TEST(MediasLibPayload, RecordIsCompressedLittleEndianFourByteEntries)
{
    const QVector<quint32> entries{0x04030201u, 0, 0xA0B0C0D0u};
    const QByteArray payload = MediasLibPayload::Pack(entries);
    EXPECT_EQ(Raw(entries), qUncompress(payload));
    EXPECT_EQ(qCompress(Raw(entries), 9), payload);
    EXPECT_EQ(entries, MediasLibPayload::Unpack(payload));

    std::unique_ptr<QMimeData> data(MediasLibPayload::MakeMimeData(entries));
    EXPECT_EQ(QStringList{"mediasLibMimeType"}, data->formats());
    EXPECT_FALSE(data->hasUrls());
    EXPECT_FALSE(data->hasText());
}

TEST(MediasLibPayload, HandlesAreNonzeroStableAndDistinct)
{
    const quint32 a = MediasLibPayload::HandleOfPath("/m/a.mp4");
    const quint32 b = MediasLibPayload::HandleOfPath("/m/b.mp4");
    EXPECT_NE(0u, a);
    EXPECT_NE(0u, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(a, MediasLibPayload::HandleOfPath("/m/a.mp4"));
    EXPECT_EQ(0u, MediasLibPayload::HandleOfPath(""));
    EXPECT_EQ("/m/b.mp4", MediasLibPayload::PathOfHandle(b));
    EXPECT_TRUE(MediasLibPayload::PathOfHandle(0).isEmpty());
}

TEST(MediasLibPayload, ReaderYieldsOnlyLiveLibraryItems)
{
    LibTest::Library& lib = LibTest::Library::Get();
    ASSERT_TRUE(lib.Ok());
    auto library = lib.Copy();
    ISourceDataItem* a = library->GetSourceDataItemByIndex(0);
    ISourceDataItem* b = library->GetSourceDataItemByIndex(1);
    ISourceDataItem* c = library->GetSourceDataItemByIndex(2);
    const quint32 unknown = 0x7fff1234u;
    const quint32 foreign = MediasLibPayload::HandleOfPath("/nowhere/never-imported.mp4");

    struct Case
    {
        const char* what;
        QByteArray payload;
        QList<ISourceDataItem*> expected;
    };
    QByteArray thirteen = Raw({HandleOf(c), HandleOf(a), HandleOf(b)});
    thirteen.append('\x7f');
    const Case cases[] = {
        {"13 bytes: three entries, the odd byte ignored", qCompress(thirteen, 9), {c, a, b}},
        {"zeros, unknown and foreign handles skipped",
         MediasLibPayload::Pack({0, HandleOf(b), unknown, 0, foreign, HandleOf(a)}),
         {b, a}},
        {"not compressed", Raw({HandleOf(a)}), {}},
        {"empty", QByteArray(), {}},
        {"a length header claiming 2 GB", QByteArray("\x7f\xff\xff\xff\x78\x9c\x03\x00", 8), {}},
    };
    for (const Case& k : cases)
        EXPECT_EQ(k.expected, MediasLibPayload::ReadItems(k.payload, library.get())) << k.what;

    // An item the library lets go of while the drag is under way.
    const QByteArray payload = MediasLibPayload::Pack({HandleOf(a), HandleOf(b), HandleOf(c)});
    ASSERT_TRUE(library->RemoveSourceDataItem(b));
    EXPECT_EQ((QList<ISourceDataItem*>{a, c}), MediasLibPayload::ReadItems(payload, library.get()));
    EXPECT_TRUE(MediasLibPayload::ReadItems(payload, nullptr).isEmpty());
}

TEST(MediasLibPayload, RandomWordsAndGarbageYieldOnlyLiveItems)
{
    LibTest::Library& lib = LibTest::Library::Get();
    ASSERT_TRUE(lib.Ok());
    auto library = lib.Copy();
    QSet<ISourceDataItem*> live;
    for (ISourceDataItem* item : library->GetSourceDataItems())
        live.insert(item);
    QRandomGenerator random(20261210);
    for (int round = 0; round < 200; ++round) {
        QVector<quint32> words(1 + random.bounded(40));
        for (quint32& w : words)
            w = random.bounded(4) == 0 ? random.generate() : random.bounded(64u);
        for (ISourceDataItem* item : MediasLibPayload::ReadItems(MediasLibPayload::Pack(words), library.get()))
            ASSERT_TRUE(live.contains(item));
        QByteArray garbage(random.bounded(64), '\0');
        for (char& ch : garbage)
            ch = static_cast<char>(random.bounded(256));
        for (ISourceDataItem* item : MediasLibPayload::ReadItems(garbage, library.get()))
            ASSERT_TRUE(live.contains(item));
    }
}
