#include "ProjectData/cmediasrcserializer.h"

#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/csourcedata.h"

#include "ProjectDataTestMedia.h"
#include "Basilvo/Basilvo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <QDateTime>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Fablecut;

namespace {

const QString kSignature = "0123456789abcdef0123456789abcdef";

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_cmediasrcserializer";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app =
        QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    return app;
}

// A library item as the import thread leaves one: a real file, its
// descriptions (here made by hand, two movies) and a small thumbnail.
CMediaSourceItem* Item(const QString& path, int thumbShade = 0x40)
{
    PDTest::MovieRecord first(0, {PDTest::Video(0, 320, 240, 2.0), PDTest::Audio(1, 2.0)});
    PDTest::MovieRecord second(1, {PDTest::Video(0, 160, 120, 1.0)});
    auto* item = new CMediaSourceItem;
    item->SetSrcFileFullPath(path);
    item->setName(QFileInfo(path).completeBaseName());
    item->SetImporterName("FFImporter");
    item->SetSrcInterlaced(true);
    QImage thumb(16, 9, QImage::Format_RGB32);
    thumb.fill(qRgb(thumbShade, 0x80, 0xC0));
    item->SetThumbnailPic(thumb);
    Moorland::MovieInfo* movies[] = {first.get(), second.get()};
    item->SetMovieInfos(movies, 2);
    return item;
}

struct Library
{
    CSourceData list;
    QMutex mutex;
    std::vector<QString> paths;
    // n real files, copies of the clip so every item has its own path.
    explicit Library(int n, const std::string& dir)
    {
        for (int i = 0; i < n; ++i) {
            const QString path = QString::fromStdString(dir) + QString("/item%1.mp4").arg(i);
            if (!QFile::exists(path))
                QFile::copy(QString::fromStdString(PDTest::Media::Get().Clip()), path);
            paths.push_back(path);
            list.AppendSoureDataItem(Item(path, 0x10 * i));
        }
    }
};

struct Read
{
    bool ok = false;
    QList<CMediaSourceItem*> loaded;
    QStringList failed;
    explicit Read(const QString& path, const QString& signature = kSignature)
    {
        ok = CMediaSrcSerializer::ReadLibraryFile(path, signature, nullptr, loaded, failed);
    }
    ~Read()
    {
        for (CMediaSourceItem* item : loaded)
            item->Free();
    }
    bool Damaged() const { return !failed.filter("damaged").isEmpty(); }
};

QByteArray Bytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

void Put(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

struct Serializer : ::testing::Test
{
    std::string dir;
    QString file;
    void SetUp() override
    {
        App();
        ASSERT_TRUE(PDTest::Media::Get().Ok());
        dir = PDTest::Media::Get().Dir() + "/lib";
        PDTest::Run("mkdir -p '" + dir + "'");
        file = QString::fromStdString(dir) + "/library.fml";
        QFile::remove(file);
    }
};

} // namespace

TEST_F(Serializer, RoundTripKeepsEveryFieldAndTheFirstMovie)
{
    Library lib(3, dir);
    ASSERT_TRUE(CMediaSrcSerializer::WriteLibraryFile(file, kSignature, &lib.list, &lib.mutex));
    Read read(file);
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.failed.isEmpty()) << read.failed.join("|").toStdString();
    ASSERT_EQ(3, read.loaded.size());
    for (int i = 0; i < 3; ++i) {
        CMediaSourceItem* item = read.loaded[i];
        auto* original = dynamic_cast<CMediaSourceItem*>(lib.list.GetSourceDataItemByIndex(i));
        EXPECT_EQ(original->GetSrcFileFullPath(), item->GetSrcFileFullPath());
        EXPECT_EQ(original->Name(), item->Name());
        EXPECT_EQ(QString("FFImporter"), item->GetImporterName());
        EXPECT_TRUE(item->GetSrcInterlaced());
        EXPECT_EQ(*original->GetThumbnailData(), *item->GetThumbnailData());
        EXPECT_EQ(1u, item->GetMovieCount()) << "only the first movie comes back";
        EXPECT_EQ(320u, item->GetPixelWidth());
        EXPECT_EQ(0, item->GetItemType());
        EXPECT_EQ(nullptr, item->GetImporter());
    }
}

TEST_F(Serializer, RefusalsAndChangedFiles)
{
    {
        Library lib(2, dir);
        ASSERT_TRUE(CMediaSrcSerializer::WriteLibraryFile(file, kSignature, &lib.list, &lib.mutex));
        Read other(file, "ffffffffffffffffffffffffffffffff");
        EXPECT_FALSE(other.ok) << "another build's file is refused as a whole";
        EXPECT_TRUE(other.loaded.isEmpty());
        Read missing(file + ".none");
        EXPECT_FALSE(missing.ok);

        // One media file grows: another file, reported and not loaded. One
        // disappears (a disk unplugged): its item comes back as recorded,
        // with the time and size the file had, and is written so again.
        auto* gone = dynamic_cast<CMediaSourceItem*>(lib.list.GetSourceDataItemByIndex(1));
        const QDateTime goneTime = gone->LastModifiedDateTime();
        const qint64 goneSize = gone->GetSourceFileSize();
        QFile grown(lib.paths[0]);
        ASSERT_TRUE(grown.open(QIODevice::Append));
        grown.write("x");
        grown.close();
        QFile::rename(lib.paths[1], lib.paths[1] + ".moved");
        Read read(file);
        EXPECT_TRUE(read.ok);
        EXPECT_EQ(QStringList({lib.paths[0]}), read.failed);
        ASSERT_EQ(1, read.loaded.size());
        CMediaSourceItem* kept = read.loaded[0];
        EXPECT_EQ(lib.paths[1], kept->GetSrcFileFullPath());
        EXPECT_EQ(gone->Name(), kept->Name());
        EXPECT_EQ(goneTime, kept->LastModifiedDateTime());
        EXPECT_EQ(goneSize, kept->GetSourceFileSize());
        EXPECT_EQ(*gone->GetThumbnailData(), *kept->GetThumbnailData());
        EXPECT_EQ(0, kept->GetItemType());
        CSourceData again;
        QMutex againLock;
        again.AppendSoureDataItem(kept->CloneDataItem());
        ASSERT_TRUE(CMediaSrcSerializer::WriteLibraryFile(file + ".again", kSignature, &again, &againLock));
        // Saved while missing, read again once the file is back: the same file.
        QFile::rename(lib.paths[1] + ".moved", lib.paths[1]);
        Read back(file + ".again");
        EXPECT_TRUE(back.ok);
        EXPECT_TRUE(back.failed.isEmpty()) << back.failed.join("|").toStdString();
        ASSERT_EQ(1, back.loaded.size());
        EXPECT_EQ(lib.paths[1], back.loaded[0]->GetSrcFileFullPath());
        QFile::remove(file + ".again");
    }
    {
        CSourceData empty;
        QMutex mutex;
        ASSERT_TRUE(CMediaSrcSerializer::WriteLibraryFile(file, kSignature, &empty, &mutex));
        Read read(file);
        EXPECT_TRUE(read.ok);
        EXPECT_TRUE(read.loaded.isEmpty());
        EXPECT_TRUE(read.failed.isEmpty());
    }
    QFile::remove(file);
    QMutex mutex;
    EXPECT_FALSE(CMediaSrcSerializer::WriteLibraryFile(file, kSignature, nullptr, &mutex));
    EXPECT_FALSE(QFile::exists(file)) << "no list, no file";
    CSourceData empty;
    EXPECT_FALSE(CMediaSrcSerializer::WriteLibraryFile("/proc/no/such/folder/x.fml", kSignature, &empty, &mutex));
}

TEST_F(Serializer, TruncatedFilesLoadTheRecordsBeforeTheCut)
{
    // Record boundaries from libraries of 0..4 items.
    std::vector<int> ends;
    {
        Library lib(4, dir);
        for (int n = 0; n <= 4; ++n) {
            CSourceData part;
            for (int i = 0; i < n; ++i)
                part.AddSoureDataItem(lib.list.GetSourceDataItemByIndex(i));
            CMediaSrcSerializer::WriteLibraryFile(file, kSignature, &part, &lib.mutex);
            ends.push_back(Bytes(file).size());
        }
    }
    const QByteArray whole = Bytes(file);
    ASSERT_EQ(ends.back(), whole.size());
    for (int cut = ends[0]; cut < whole.size(); cut += 5) {
        Put(file, whole.left(cut));
        Read read(file);
        ASSERT_TRUE(read.ok) << cut;
        int complete = 0;
        while (complete + 1 < static_cast<int>(ends.size()) && ends[complete + 1] <= cut)
            ++complete;
        EXPECT_EQ(complete, read.loaded.size()) << "cut at " << cut;
        EXPECT_EQ(cut != ends[complete], read.Damaged()) << "cut at " << cut;
    }
}

TEST_F(Serializer, BitFlipsNeverLoseTheRecordsBeforeThem)
{
    std::vector<int> ends;
    {
        Library lib(3, dir);
        for (int n = 0; n <= 3; ++n) {
            CSourceData part;
            for (int i = 0; i < n; ++i)
                part.AddSoureDataItem(lib.list.GetSourceDataItemByIndex(i));
            CMediaSrcSerializer::WriteLibraryFile(file, kSignature, &part, &lib.mutex);
            ends.push_back(Bytes(file).size());
        }
    }
    const QByteArray whole = Bytes(file);
    for (int at = 0; at < whole.size(); at += 3) {
        QByteArray flipped = whole;
        flipped[at] = static_cast<char>(flipped[at] ^ (1 << (at % 8)));
        Put(file, flipped);
        Read read(file);
        if (at < ends[0]) {
            EXPECT_FALSE(read.ok) << "a damaged signature refuses the file, byte " << at;
            continue;
        }
        ASSERT_TRUE(read.ok) << at;
        int before = 0;
        while (ends[before + 1] <= at)
            ++before;
        EXPECT_GE(read.loaded.size(), before) << "byte " << at;
        if (read.loaded.size() < 3) {
            EXPECT_FALSE(read.failed.isEmpty()) << "what did not load is reported, byte " << at;
        }
    }
}

// Runs only inside the child of the next test: saves the library again and
// again until it is killed.
TEST(SerializerKillHelper, SaveForever)
{
    const char* target = getenv("PD_SAVE_FOREVER");
    if (!target)
        GTEST_SKIP() << "helper of SigkillDuringASaveKeepsTheOldFile";
    App();
    Library lib(400, std::string(getenv("PD_SAVE_DIR")));
    for (;;)
        CMediaSrcSerializer::WriteLibraryFile(QString::fromUtf8(target), kSignature, &lib.list, &lib.mutex);
}

TEST_F(Serializer, SigkillDuringASaveKeepsTheOldFile)
{
    {
        Library lib(400, dir);
        ASSERT_TRUE(CMediaSrcSerializer::WriteLibraryFile(file, kSignature, &lib.list, &lib.mutex));
    }
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    QDir folder(QString::fromStdString(dir));
    int midSave = 0;
    for (int delayMs : {3, 17, 41, 67, 97}) {
        const QDateTime before = QFileInfo(file).lastModified();
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            setenv("PD_SAVE_FOREVER", file.toUtf8().constData(), 1);
            setenv("PD_SAVE_DIR", dir.c_str(), 1);
            execl(self, self, "--gtest_filter=SerializerKillHelper.SaveForever", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Once the child has finished one save it is saving all the time.
        for (int i = 0; i < 3000 && QFileInfo(file).lastModified() == before; ++i)
            usleep(2000);
        usleep(delayMs * 1000);
        kill(child, SIGSTOP);
        // A save in progress holds its unfinished file open in the folder.
        const QDir fds(QString("/proc/%1/fd").arg(child));
        for (const QString& fd : fds.entryList(QDir::Files | QDir::System))
            if (QFileInfo(fds.filePath(fd)).symLinkTarget().startsWith(QString::fromStdString(dir)))
                ++midSave;
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saver ran until killed";
        const QStringList leftovers = folder.entryList(QStringList() << "library.fml.*", QDir::Files | QDir::Hidden);
        for (const QString& name : leftovers)
            QFile::remove(folder.filePath(name));
        Read read(file);
        ASSERT_TRUE(read.ok) << "killed " << delayMs << " ms into saving";
        EXPECT_EQ(400, read.loaded.size()) << "killed " << delayMs << " ms into saving";
        EXPECT_FALSE(read.Damaged());
    }
    EXPECT_GT(midSave, 0) << "at least one kill must land in the middle of writing";
}

TEST_F(Serializer, ThreadReportsThroughItsSignals)
{
    Library lib(2, dir);
    {
        CMediaSrcSerializer save(nullptr, lib.mutex, file, false, kSignature);
        save.SetMediaSourceData(&lib.list);
        QSignalSpy done(&save, &CMediaSrcSerializer::signal_SaveMediaSrcFileFinished);
        save.Start();
        ASSERT_TRUE(done.wait(5000));
        EXPECT_TRUE(done.front().front().toBool());
    }
    {
        CMediaSrcSerializer load(nullptr, lib.mutex, file, true, kSignature);
        QSignalSpy done(&load, &CMediaSrcSerializer::signal_LoadMediaSrcFileFinished);
        load.Start();
        ASSERT_TRUE(done.wait(5000));
        // Not adopted: the serializer frees the items itself when it goes.
    }
    {
        // A damaged file loads what it can and is kept aside before the
        // library is saved over it.
        const QByteArray whole = Bytes(file);
        Put(file, whole.left(whole.size() - 7));
        CMediaSrcSerializer load(nullptr, lib.mutex, file, true, kSignature);
        QSignalSpy done(&load, &CMediaSrcSerializer::signal_LoadMediaSrcFileFinished);
        load.Start();
        ASSERT_TRUE(done.wait(5000));
        const QStringList failed = done.front().at(1).toStringList();
        ASSERT_EQ(1, failed.size());
        EXPECT_TRUE(failed.front().contains("library.fml.damaged")) << failed.front().toStdString();
        EXPECT_EQ(whole.left(whole.size() - 7), Bytes(file + ".damaged"));
        QFile::remove(file + ".damaged");
        Put(file, whole);
    }
    {
        CMediaSrcSerializer load(nullptr, lib.mutex, file + ".none", true, kSignature);
        QSignalSpy failed(&load, &CMediaSrcSerializer::signal_LoadMediaSrcFileFailed);
        load.Start();
        ASSERT_TRUE(failed.wait(5000));
    }
    {
        CMediaSrcSerializer save(nullptr, lib.mutex, file, false, kSignature);
        QSignalSpy done(&save, &CMediaSrcSerializer::signal_SaveMediaSrcFileFinished);
        save.Start();
        ASSERT_TRUE(done.wait(5000));
        EXPECT_FALSE(done.front().front().toBool()) << "no list to save";
    }
}

TEST_F(Serializer, WhatIsNoLibraryFileFailsTheLoadWithoutWaiting)
{
    const QString fifo = QString::fromStdString(dir) + "/fifo.fml";
    QFile::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    for (const QString& path : {fifo, QString("/dev/zero"), QString::fromStdString(dir)}) {
        SCOPED_TRACE(path.toStdString());
        const QDateTime start = QDateTime::currentDateTimeUtc();
        GetQuentaException()->Clear();
        Read read(path);
        EXPECT_FALSE(read.ok);
        EXPECT_TRUE(read.loaded.isEmpty());
        EXPECT_LT(start.msecsTo(QDateTime::currentDateTimeUtc()), 1000);
        EXPECT_NE(QString(GetQuentaException()->GetExceptionMsg()).indexOf(path), -1)
            << "the recorded reason names the file";
    }
    QFile::remove(fifo);
}
