#include "ProjectData/cdcmediasrcmgr.h"

#include "ProjectData/cdcmediasrcimporter.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmediasrcserializer.h"
#include "ProjectData/csourcedata.h"

#include "ProjectDataTestMedia.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Fablecut;

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_cdcmediasrcmgr";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = [] {
        // Settings and the library file stay inside the test's own folder.
        static std::string home = PDTest::Media::Get().Dir() + "/home";
        PDTest::Run("mkdir -p '" + home + "'");
        setenv("HOME", home.c_str(), 1);
        return QCoreApplication::instance() ? QCoreApplication::instance() : new QCoreApplication(argc, argv);
    }();
    return app;
}

QStringList Paths(const CSourceData& list)
{
    QStringList out;
    for (ISourceDataItem* item : list.GetSourceDataItems())
        out << item->GetSrcFileFullPath();
    return out;
}

struct Manager : ::testing::Test
{
    PDTest::ManagerHolder media;
    CSourceData library;
    std::unique_ptr<CDCMediaSrcMgr> mgr;
    QString dir;

    void SetUp() override
    {
        App();
        ASSERT_TRUE(PDTest::Media::Get().Ok());
        dir = QString::fromStdString(PDTest::Media::Get().Dir()) + "/mgr-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
        QDir(dir).removeRecursively();
        QDir().mkpath(dir);
        mgr.reset(new CDCMediaSrcMgr(nullptr, media.manager));
        mgr->SetSourceStructure(&library);
        mgr->SetDefaultLibraryFile(dir + "/default.fml");
    }
    void TearDown() override
    {
        mgr.reset();
        QDir(dir).removeRecursively();
    }
    QString Copy(const std::string& from, const QString& name)
    {
        const QString to = dir + "/" + name;
        QFile::copy(QString::fromStdString(from), to);
        return to;
    }
    QString Clip(const QString& name) { return Copy(PDTest::Media::Get().Clip(), name); }
    // Runs an import to its end; true when it finished (not cancelled).
    bool Import(const QStringList& paths, int timeoutMs = 60000)
    {
        QSignalSpy done(mgr.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
        QSignalSpy cancelled(mgr.get(), &CDCMediaSrcMgr::signal_OnImportCancelled);
        if (!mgr->ImportMediaFiles(paths))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (done.isEmpty() && cancelled.isEmpty() && timer.elapsed() < timeoutMs)
            done.wait(50);
        return !done.isEmpty();
    }
    void WaitForSave()
    {
        QSignalSpy saved(mgr.get(), &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished);
        ASSERT_TRUE(saved.wait(10000));
    }
};

} // namespace

TEST_F(Manager, ImportsInPathOrderAndReportsEachFailureWithItsReason)
{
    const QString b = Clip("b.mp4");
    const QString a = Clip("a.mp4");
    const QString picture = Copy(PDTest::Media::Get().Picture(), "c.png");
    const QString tone = Copy(PDTest::Media::Get().Tone(), "d.wav");
    const QString empty = dir + "/e.mp4";
    QFile(empty).open(QIODevice::WriteOnly);
    const QString text = dir + "/f.mp4";
    {
        QFile f(text);
        f.open(QIODevice::WriteOnly);
        f.write("this is not a movie\n");
    }
    const QString truncated = dir + "/g.mp4";
    {
        QFile whole(a);
        whole.open(QIODevice::ReadOnly);
        QFile f(truncated);
        f.open(QIODevice::WriteOnly);
        f.write(whole.read(3000));
    }
    const QString gone = dir + "/h.mp4";
    QFile::link(dir + "/nowhere.mp4", gone);

    QSignalSpy progress(mgr.get(), &CDCMediaSrcMgr::signal_BeforeImportSingleFile);
    QSignalSpy finished(mgr.get(), &CDCMediaSrcMgr::signal_OnSingleFileImportFinished);
    QSignalSpy failed(mgr.get(), &CDCMediaSrcMgr::signal_OnSingleFileImportFailed);
    QSignalSpy ended(mgr.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    ASSERT_TRUE(Import({gone, truncated, text, empty, tone, picture, a, b}));

    ASSERT_EQ(8, progress.size());
    const QStringList sorted{a, b, picture, tone, empty, text, truncated, gone};
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(sorted[i], progress[i][0].toString());
        EXPECT_EQ(8, progress[i][1].toInt());
        EXPECT_EQ(i + 1, progress[i][2].toInt());
    }
    EXPECT_EQ(QStringList({a, b}), Paths(library));
    EXPECT_EQ(2, finished.size());
    ASSERT_EQ(6, failed.size());
    EXPECT_EQ(picture, failed[0][0].toString());
    EXPECT_EQ("can not import image file", failed[0][1].toString());
    EXPECT_EQ(1, failed[0][2].toInt());
    const QString toneText = failed[1][1].toString();
    EXPECT_TRUE(toneText.startsWith("Source:" + tone +
                                    "\nException Code:10021017\nException MessageNo Video StreamInfo\nFile:"))
        << toneText.toStdString();
    EXPECT_TRUE(toneText.contains("\nLine:"));
    for (int i = 1; i < 6; ++i) {
        EXPECT_EQ(0, failed[i][2].toInt());
        EXPECT_TRUE(failed[i][1].toString().startsWith("Source:" + failed[i][0].toString() + "\nException Code:"))
            << failed[i][1].toString().toStdString();
    }
    EXPECT_FALSE(ended.front().front().toBool());

    auto* item = dynamic_cast<CMediaSourceItem*>(library.GetSourceDataItemByIndex(0));
    EXPECT_EQ(QString("a"), item->Name());
    EXPECT_EQ(QSize(640, 480), item->GetThumbnailData()->size());
    EXPECT_EQ(nullptr, item->GetImporter()) << "a library item keeps no file open";
    WaitForSave();
    EXPECT_TRUE(QFile::exists(dir + "/default.fml"));
}

TEST_F(Manager, AFileHalfWrittenIsRefusedAndCraftedBytesAnswerAtOnce)
{
    // Twelve seconds, whole; its first half with zeros to its full size (a
    // download not finished); whole with 60 MB of bytes made to look like
    // Matroska clusters after it.
    ASSERT_TRUE(PDTest::Run("cd '" + dir.toStdString() +
                            "' && ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=160x120:rate=25:duration=12 "
                            "-f lavfi -i sine=duration=12 -c:v libx264 -preset ultrafast -g 25 -b:v 400k -c:a aac "
                            "whole.mkv"));
    const QString whole = dir + "/whole.mkv";
    const QString zeros = dir + "/zeros.mkv";
    const QString crafted = dir + "/crafted.mkv";
    ASSERT_TRUE(MediaTest::ZeroTheSecondHalf(whole.toStdString(), zeros.toStdString()));
    ASSERT_TRUE(MediaTest::WriteBytes(crafted.toStdString(), MediaTest::ReadBytes(whole.toStdString()) +
                                                                 MediaTest::CraftedMatroskaBytes(60000000)));

    QSignalSpy failed(mgr.get(), &CDCMediaSrcMgr::signal_OnSingleFileImportFailed);
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(Import({whole, zeros, crafted}));
    EXPECT_LT(timer.elapsed(), 20000);
    EXPECT_EQ(QStringList({crafted, whole}), Paths(library));
    for (ISourceDataItem* item : library.GetSourceDataItems())
        EXPECT_NEAR(12.0, item->GetDuration().ToSeconds(), 0.1) << item->GetSrcFileFullPath().toStdString();
    ASSERT_EQ(1, failed.size());
    EXPECT_EQ(zeros, failed[0][0].toString());
    const QString text = failed[0][1].toString();
    EXPECT_TRUE(text.contains("cut short")) << text.toStdString();
    EXPECT_TRUE(text.contains(" on it holds only zeros")) << text.toStdString();
}

TEST_F(Manager, RepeatedBusyEmptyAndCancelledImports)
{
    const QString a = Clip("a.mp4");
    ASSERT_TRUE(Import({a}));
    ASSERT_EQ(1, library.GetSourceDataItemsCount());
    ISourceDataItem* held = library.GetSourceDataItemByIndex(0);

    // Known paths, and one path twice: one item each, all reported finished.
    const QString b = Clip("b.mp4");
    QSignalSpy finished(mgr.get(), &CDCMediaSrcMgr::signal_OnSingleFileImportFinished);
    QSignalSpy ended(mgr.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    ASSERT_TRUE(Import({a, b, b}));
    EXPECT_EQ(3, finished.size());
    EXPECT_TRUE(ended.front().front().toBool());
    EXPECT_EQ(QStringList({a, b}), Paths(library));
    EXPECT_EQ(held, library.GetSourceDataItemByIndex(0));

    // Busy: the second request is refused and disturbs nothing.
    QSignalSpy refused(mgr.get(), &CDCMediaSrcMgr::signal_InitImporterFailed);
    const QString c = Clip("c.mp4");
    ASSERT_TRUE(mgr->ImportMediaFiles({c}));
    EXPECT_FALSE(mgr->ImportMediaFiles({a}));
    EXPECT_EQ(1, refused.size());
    QSignalSpy done(mgr.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    ASSERT_TRUE(done.wait(30000));
    EXPECT_EQ(3, library.GetSourceDataItemsCount());

    // Nothing to import still ends, through the event loop.
    QSignalSpy emptyEnd(mgr.get(), &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
    EXPECT_TRUE(mgr->ImportMediaFiles({}));
    EXPECT_TRUE(emptyEnd.isEmpty());
    ASSERT_TRUE(emptyEnd.wait(10000));
    EXPECT_TRUE(emptyEnd.front().front().toBool());

    // Cancelled before it starts: the cancel signal, nothing added.
    QSignalSpy cancelled(mgr.get(), &CDCMediaSrcMgr::signal_OnImportCancelled);
    ASSERT_TRUE(mgr->ImportMediaFiles({Clip("d.mp4")}));
    mgr->CancelImport();
    ASSERT_TRUE(cancelled.wait(10000));
    EXPECT_EQ(3, library.GetSourceDataItemsCount());
}

TEST_F(Manager, ShutDownDuringAnImportCancelsIt)
{
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << Clip(QString("m%1.mp4").arg(i, 2, 10, QChar('0')));
    QSignalSpy progress(mgr.get(), &CDCMediaSrcMgr::signal_BeforeImportSingleFile);
    ASSERT_TRUE(mgr->ImportMediaFiles(many));
    ASSERT_TRUE(progress.wait(10000));
    QElapsedTimer timer;
    timer.start();
    mgr.reset();
    EXPECT_LT(timer.elapsed(), 5000) << "the import stops at its next file";
    EXPECT_LT(library.GetSourceDataItemsCount(), 40);
}

TEST_F(Manager, SavesAfterChangesAndNeverLosesALaterOne)
{
    const QString a = Clip("a.mp4");
    const QString b = Clip("b.mp4");
    ASSERT_TRUE(Import({a, b}));
    WaitForSave();

    // A rename during a running save: refused at first, written right after.
    ASSERT_TRUE(mgr->SaveMediaSourcetoFile(mgr->GetDefaultLibraryFile()));
    mgr->slot_RenameSourceDataItem("renamed", a);
    QSignalSpy saved(mgr.get(), &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished);
    QElapsedTimer timer;
    timer.start();
    while (saved.size() < 2 && timer.elapsed() < 10000)
        saved.wait(100);
    ASSERT_EQ(2, saved.size()) << "the change is saved after the running save";

    QList<CMediaSourceItem*> loaded;
    QStringList failed;
    ASSERT_TRUE(CMediaSrcSerializer::ReadLibraryFile(mgr->GetDefaultLibraryFile(), mgr->GetLibrarySignature(), nullptr,
                                                     loaded, failed));
    ASSERT_EQ(2, loaded.size());
    EXPECT_EQ(QString("renamed"), loaded[0]->Name());
    for (CMediaSourceItem* item : loaded)
        item->Free();

    // An export asked for during the library's own save follows it; a second
    // export while that one waits is refused and heard.
    const QString exported = dir + "/exported.fml";
    QSignalSpy ends(mgr.get(), &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished);
    QSignalSpy refused(mgr.get(), &CDCMediaSrcMgr::signal_InitSerializerFailed);
    QStringList finishedFiles;
    QObject::connect(mgr.get(), &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished, mgr.get(),
                     [&](bool) { finishedFiles << mgr->GetFinishedLibraryFile(); });
    ASSERT_TRUE(mgr->SaveMediaSourcetoFile(mgr->GetDefaultLibraryFile()));
    EXPECT_TRUE(mgr->SaveMediaSourcetoFile(exported));
    EXPECT_TRUE(refused.isEmpty());
    EXPECT_FALSE(mgr->SaveMediaSourcetoFile(dir + "/third.fml"));
    EXPECT_EQ(1, refused.size());
    timer.restart();
    while (ends.size() < 3 && timer.elapsed() < 10000)
        ends.wait(100);
    ASSERT_EQ(3, ends.size());
    EXPECT_TRUE(finishedFiles.contains(mgr->GetDefaultLibraryFile()));
    EXPECT_EQ(exported, finishedFiles.last());
    EXPECT_TRUE(ends.last().front().toBool());
    EXPECT_FALSE(QFile::exists(dir + "/third.fml"));
    loaded.clear();
    failed.clear();
    ASSERT_TRUE(CMediaSrcSerializer::ReadLibraryFile(exported, mgr->GetLibrarySignature(), nullptr, loaded, failed));
    EXPECT_EQ(2, loaded.size());
    for (CMediaSourceItem* item : loaded)
        item->Free();
    loaded.clear();

    // Removing an item not in the library still saves; a real removal is told.
    QSignalSpy removed(mgr.get(), &CDCMediaSrcMgr::signal_SourceDataItemRemoved);
    mgr->slot_RemoveSourceDataItemByFullPath(dir + "/none.mp4");
    EXPECT_TRUE(removed.isEmpty());
    WaitForSave();
    mgr->slot_RemoveSourceDataItemByFullPath(b);
    EXPECT_EQ(1, removed.size());
    EXPECT_EQ(QStringList({a}), Paths(library));
    EXPECT_EQ(nullptr, mgr->slot_QueryItemByFullPath(b));
    ASSERT_NE(nullptr, mgr->slot_QueryItemByFullPath(a));
    EXPECT_EQ(a, mgr->slot_QueryItemByFullPath(a)->GetSrcFileFullPath());
    WaitForSave();
}

TEST_F(Manager, LoadingAddsToTheLibraryAndBusyRefusalsAreHeard)
{
    const QString a = Clip("a.mp4");
    const QString b = Clip("b.mp4");
    ASSERT_TRUE(Import({a, b}));
    WaitForSave();
    const QString saved = dir + "/export.fml";
    QSignalSpy savedSpy(mgr.get(), &CDCMediaSrcMgr::signal_SaveMediaSrcFileFinished);
    ASSERT_TRUE(mgr->SaveMediaSourcetoFile(saved));
    ASSERT_TRUE(savedSpy.wait(10000));
    ASSERT_TRUE(savedSpy.front().front().toBool());

    mgr->slot_RemoveSourceDataItemByFullPath(b);
    ISourceDataItem* keptA = library.GetSourceDataItemByFullPath(a);
    WaitForSave();

    QSignalSpy loadedSpy(mgr.get(), &CDCMediaSrcMgr::signal_LoadMediaSrcFileFinished);
    ASSERT_TRUE(mgr->LoadMediaSourcefromFile(saved));
    // A load while one runs is refused, and whoever waits for its end hears it.
    QSignalSpy failedSpy(mgr.get(), &CDCMediaSrcMgr::signal_LoadMediaSrcFileFailed);
    QSignalSpy busy(mgr.get(), &CDCMediaSrcMgr::signal_InitSerializerFailed);
    EXPECT_FALSE(mgr->LoadMediaSourcefromFile(saved));
    EXPECT_EQ(1, busy.size());
    ASSERT_TRUE(loadedSpy.wait(10000));
    if (failedSpy.isEmpty()) {
        ASSERT_TRUE(failedSpy.wait(10000));
    }
    EXPECT_TRUE(loadedSpy.front().front().toStringList().isEmpty());
    EXPECT_EQ(QStringList({a, b}), Paths(library)) << "present items stay, the rest is appended";
    EXPECT_EQ(keptA, library.GetSourceDataItemByFullPath(a));

    QSignalSpy loadFailed(mgr.get(), &CDCMediaSrcMgr::signal_LoadMediaSrcFileFailed);
    WaitForSave();
    ASSERT_TRUE(mgr->LoadMediaSourcefromFile(dir + "/missing.fml"));
    ASSERT_TRUE(loadFailed.wait(10000));
    EXPECT_EQ(2, library.GetSourceDataItemsCount());
}

TEST(CDCMediaSrcImporter, EmptyAndCancelledRunsEndAtOnce)
{
    App();
    QMutex lock;
    {
        CDCMediaSrcImporter importer(nullptr, nullptr, &lock);
        QSignalSpy progress(&importer, &CDCMediaSrcImporter::signal_BeforeImportSingleFile);
        QSignalSpy done(&importer, &CDCMediaSrcImporter::signal_OnAllFilesImportFinished);
        importer.start();
        ASSERT_TRUE(done.wait(5000));
        EXPECT_TRUE(done.front().front().toBool());
        EXPECT_TRUE(progress.isEmpty());
    }
    {
        CDCMediaSrcImporter importer(nullptr, nullptr, &lock);
        importer.AddImportFilesPaths({"/nowhere/a.mp4"});
        importer.Cancel();
        QSignalSpy progress(&importer, &CDCMediaSrcImporter::signal_BeforeImportSingleFile);
        QSignalSpy cancelled(&importer, &CDCMediaSrcImporter::signal_OnImportCancelled);
        importer.start();
        ASSERT_TRUE(cancelled.wait(5000));
        EXPECT_TRUE(progress.isEmpty());
    }
}
