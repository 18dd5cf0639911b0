// A source above 2 GiB, sparse on disk: byte counts past 32 bits, progress
// that only grows, and the server receiving exactly header, file and trailer.

#include "TestHttpsServer.h"
#include "YoutubeUploadTestKit.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(UploadLarge, SparseSourceAboveTwoGiB)
{
    const qint64 fileSize = qint64(5) << 29; // 2.5 GiB
    QTemporaryDir dir;
    const QString path = dir.filePath("big.mp4");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(fileSize));
    }

    const TestCertificates& certs = TestCertificates::Get();
    TestHttpsServer server(certs.trusted, 64 * 1024);
    server.setDefault(kLoginPath, ServerAnswer::Ok("Auth=tok\nYouTubeUser=u\n"));
    server.setDefault(kUploadPath, ServerAnswer::Ok("<entry/>", 201));
    ConfigureService(server.port(), server.port(), certs.caFile);

    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    AddTask(up.get(), path);
    up->StartUpload();
    ASSERT_TRUE(WaitUntil([&]() { return rec.Has("completed") || !rec.events.isEmpty(); }, 550000));
    ASSERT_TRUE(WaitUntil([&]() { return rec.Has("completed"); }, 5000)) << rec.events.join(" | ").toStdString();
    EXPECT_EQ(rec.events, QStringList({"ok 0", "completed"}));

    const QList<RecordedRequest> uploads = server.requestsFor(kUploadPath);
    ASSERT_EQ(uploads.size(), 1);
    const RecordedRequest& r = uploads[0];
    ASSERT_TRUE(r.complete);
    EXPECT_GT(r.bodySize, fileSize);
    EXPECT_EQ(r.header("Content-Length").toLongLong(), r.bodySize);

    // Header as it arrived, the file's zeros, then the closing delimiter.
    const QByteArray partHead = "Content-Transfer-Encoding: binary\r\n\r\n";
    const int fileAt = r.body.indexOf(partHead) + partHead.size();
    ASSERT_GT(fileAt, partHead.size());
    const QByteArray boundary = r.body.mid(2, 8);
    const QByteArray trailer = "\r\n--" + boundary + "--\r\n";
    EXPECT_EQ(fileAt + fileSize + trailer.size(), r.bodySize);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(r.body.left(fileAt));
    const QByteArray zeros(1 << 20, '\0');
    for (qint64 done = 0; done < fileSize; done += zeros.size())
        hash.addData(zeros.constData(), int(qMin<qint64>(zeros.size(), fileSize - done)));
    hash.addData(trailer);
    EXPECT_EQ(hash.result().toHex(), r.bodySha256.toHex());

    ASSERT_FALSE(rec.progress.isEmpty());
    for (int i = 1; i < rec.progress.size(); ++i) {
        ASSERT_LE(rec.progress[i - 1].first, rec.progress[i].first) << i;
        ASSERT_EQ(rec.progress[i].second, r.bodySize);
    }
    EXPECT_EQ(rec.progress.last().first, r.bodySize);
}

} // namespace
