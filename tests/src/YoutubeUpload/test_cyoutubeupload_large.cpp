// A source above 2 GiB, sparse on disk: byte counts past 32 bits, progress
// that only grows, and the server receiving exactly header, file and trailer.

#include "TestHttpsServer.h"
#include "YoutubeUploadTestKit.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(UploadLarge, SparseSourceAboveTwoGiB)
{
    // Just past what a signed 32-bit count holds: the boundary is what the
    // case is about, and every byte past it only costs upload time.
    const qint64 fileSize = (qint64(1) << 31) + (1 << 20);
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
    // Hashed by the openssl program, whose SHA-256 uses the processor's own
    // instructions: over 2 GiB a loop here would take seconds more.
    QFile head(dir.filePath("head")), tail(dir.filePath("tail"));
    ASSERT_TRUE(head.open(QIODevice::WriteOnly) && tail.open(QIODevice::WriteOnly));
    head.write(r.body.left(fileAt));
    tail.write(trailer);
    head.close();
    tail.close();
    QProcess openssl;
    openssl.start("sh", {"-c", QString("{ cat '%1'; head -c %2 /dev/zero; cat '%3'; } | openssl dgst -sha256 -r")
                                   .arg(head.fileName())
                                   .arg(fileSize)
                                   .arg(tail.fileName())});
    ASSERT_TRUE(openssl.waitForFinished(120000));
    EXPECT_EQ(openssl.readAllStandardOutput().left(64), r.bodySha256.toHex());

    ASSERT_FALSE(rec.progress.isEmpty());
    for (int i = 1; i < rec.progress.size(); ++i) {
        ASSERT_LE(rec.progress[i - 1].first, rec.progress[i].first) << i;
        ASSERT_EQ(rec.progress[i].second, r.bodySize);
    }
    EXPECT_EQ(rec.progress.last().first, r.bodySize);
}

} // namespace
