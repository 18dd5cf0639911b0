#pragma once

// What the library view tests share: a media library imported once per test
// program, through the library manager, from clips the ffmpeg program makes
// in several sizes and aspects and one sound file; and fresh copies of it for
// tests that take items away.

#include "GuiTestApp.h"
#include "../../MediaTestFolder.h"

#include "ProjectData/cdcmediasrcmgr.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/csourcedata.h"

#include <QElapsedTimer>
#include <QSignalSpy>

#include <cstdio>
#include <memory>

namespace LibTest {

class Library
{
public:
    static Library& Get()
    {
        static Library library;
        return library;
    }
    bool Ok() const { return m_ok; }
    Fablecut::CSourceData& Data() { return m_data; }
    QString Dir() const { return QString::fromStdString(m_folder.Dir()); }
    // In library order: four clips, then the sound file (which has no
    // thumbnail and is the only sound item), then a clip again.
    const QStringList& Paths() const { return m_paths; }

    // A library of copies of the imported items.
    std::unique_ptr<Fablecut::CSourceData> Copy()
    {
        auto copy = std::make_unique<Fablecut::CSourceData>();
        for (Fablecut::ISourceDataItem* item : m_data.GetSourceDataItems())
            copy->AddSoureDataItem(item);
        return copy;
    }

private:
    Library()
    {
        GuiTest::App("libraryviews");
        if (m_folder.Dir().empty())
            return;
        const std::string ff = m_folder.FFmpeg();
        struct Clip
        {
            const char* name;
            const char* size;
            const char* seconds;
        };
        const Clip clips[] = {{"wide.mp4", "320x180", "2"},
                              {"small.mp4", "160x120", "1"},
                              {"Square.MOV", "96x96", "3"},
                              {"large.mp4", "640x360", "1.5"}};
        bool ok = true;
        for (const Clip& c : clips) {
            ok &= MediaTest::Run(ff + "-f lavfi -i testsrc2=size=" + c.size + ":rate=25:duration=" + c.seconds +
                                 " -c:v mpeg4 -q:v 5 " + c.name);
            m_paths << Dir() + "/" + c.name;
        }
        ok &= MediaTest::Run(ff + "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 tone.wav");
        m_paths.insert(4, Dir() + "/tone.wav");
        ok &= MediaTest::Run(ff + "-f lavfi -i smptebars=size=200x150:rate=25:duration=1 -c:v mpeg4 bars.avi");
        m_paths << Dir() + "/bars.avi";
        if (!ok) {
            fprintf(stderr, "library clips could not be made\n");
            return;
        }
        // The importer takes files with pictures only: the sound item is a
        // clip made over the sound file whose only stream is its sound.
        QStringList clipsToImport = m_paths;
        clipsToImport.removeAt(4);
        CSourceDataHolder imported;
        CDCMediaSrcMgr manager(nullptr, m_media.manager);
        manager.SetSourceStructure(&imported.data);
        manager.SetDefaultLibraryFile(Dir() + "/default.fml");
        QSignalSpy done(&manager, &CDCMediaSrcMgr::signal_OnAllFilesImportFinished);
        QObject::connect(&manager, &CDCMediaSrcMgr::signal_OnSingleFileImportFailed,
                         [](QString path, QString why, int) {
                             fprintf(stderr, "import of %s failed: %s\n", qPrintable(path), qPrintable(why));
                         });
        if (!manager.ImportMediaFiles(clipsToImport))
            return;
        QElapsedTimer timer;
        timer.start();
        while (done.isEmpty() && timer.elapsed() < 120000)
            done.wait(50);
        if (done.isEmpty() || imported.data.GetSourceDataItemsCount() != 5) {
            fprintf(stderr, "library import: %d of 5 clips\n", imported.data.GetSourceDataItemsCount());
            return;
        }
        const std::vector<Fablecut::ISourceDataItem*> made = imported.data.GetSourceDataItems();
        for (int i = 0; i < 4; ++i)
            m_data.AddSoureDataItem(made[i]);
        auto* sound = new Fablecut::CMediaSourceItem(*static_cast<Fablecut::CMediaSourceItem*>(made[0]));
        Moorland::StreamInfo stream{};
        stream.type = Moorland::StreamTypeAudio;
        stream.sampleRate = 44100;
        stream.channels = 1;
        stream.duration = 2.0;
        Moorland::MovieInfo movie{};
        movie.streamCount = 1;
        movie.streams = &stream;
        Moorland::MovieInfo* movies[] = {&movie};
        sound->SetMovieInfos(movies, 1);
        sound->SetSrcFileFullPath(m_paths[4]);
        sound->setName("tone");
        sound->SetThumbnailPic(QImage());
        m_data.AppendSoureDataItem(sound);
        m_data.AddSoureDataItem(made[4]);
        m_ok = m_data.GetSourceDataItemsCount() == m_paths.size() && sound->GetItemType() == 1;
        m_paths.clear();
        for (Fablecut::ISourceDataItem* item : m_data.GetSourceDataItems())
            m_paths << item->GetSrcFileFullPath();
        if (!m_ok)
            fprintf(stderr, "library: %d items, sound type %d\n", m_data.GetSourceDataItemsCount(),
                    sound->GetItemType());
    }

    struct CSourceDataHolder
    {
        Fablecut::CSourceData data;
    };

    MediaTest::Folder m_folder{"libraryviews"};
    MediaTest::ManagerHolder m_media;
    Fablecut::CSourceData m_data;
    QStringList m_paths;
    bool m_ok = false;
};

} // namespace LibTest
