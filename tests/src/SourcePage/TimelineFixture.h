#pragma once

// The timeline panel with the real project manager and timeline, a small
// media library of hand-made clips answering the drag handles, and helpers
// that drive the track view with the pointer, the keys and drops.

#include "../ProjectData/ProjectDataTestMedia.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "ProjectData/ctimelineitem.h"
#include "ProjectData/idcdataitem.h"
#include "SourcePage/vclipitem.h"
#include "SourcePage/vruler.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"

#include <QApplication>
#include <QGraphicsLineItem>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QUrl>

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <vector>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

Q_DECLARE_METATYPE(const IDCPlaySourceItem*)
Q_DECLARE_METATYPE(QList<Fablecut::ISourceDataItem*>)

namespace TimelineTest {

inline QApplication* App()
{
    static int argc = 1;
    static char name[] = "timeline_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return app;
}

// The library drag payload as the library views write it: 4-byte
// little-endian handles, compressed at level 9.
inline QByteArray LibraryPayload(const std::vector<quint32>& handles, int extraBytes = 0)
{
    QByteArray raw;
    for (quint32 h : handles)
        for (int b = 0; b < 4; ++b)
            raw.append(char((h >> (8 * b)) & 0xff));
    raw.append(QByteArray(extraBytes, '\0'));
    return qCompress(raw, 9);
}

struct Library
{
    std::vector<std::unique_ptr<Fablecut::CMediaSourceItem>> items;
    std::map<QString, Fablecut::CMediaSourceItem*> byPath;
    QList<QStringList> importRequests;
    QStringList queried; // every path the project manager asked for

    // A library clip of the given length; its handle is returned.
    quint32 Add(const QString& path, double seconds)
    {
        PDTest::MovieRecord movie(1, {PDTest::Video(1, 320, 240, seconds)});
        auto item = std::make_unique<Fablecut::CMediaSourceItem>();
        item->SetSrcFileFullPath(path);
        item->setName(path.section('/', -1));
        Moorland::MovieInfo* list[] = {movie.get()};
        item->SetMovieInfos(list, 1);
        QImage thumb(32, 24, QImage::Format_RGB32);
        thumb.fill(QColor::fromHsv(int(items.size() * 67 % 360), 160, 200));
        item->SetThumbnailPic(thumb);
        byPath[path] = item.get();
        items.push_back(std::move(item));
        return quint32(items.size());
    }
    Fablecut::ISourceDataItem* ByHandle(quint32 handle) const
    {
        return handle >= 1 && handle <= items.size() ? items[handle - 1].get() : nullptr;
    }
};

// One clip of the expected timeline: source path, trim start and end.
struct Expect
{
    QString path;
    double trimStart;
    double trimEnd;
};

class Timeline : public ::testing::Test
{
protected:
    PDTest::RecordingManager media;
    std::unique_ptr<CMProjectMgr> mgr;
    std::unique_ptr<VTimeLineView> panel;
    Library library;
    VTrackView* view = nullptr;
    VTrackScene* scene = nullptr;
    const CTimelineItem* line = nullptr;
    bool deferImports = false;
    // The page's answers; a test sets the player's and calls SetHost again.
    TimeLineHostCalls calls;
    void SetHost() { panel->setHostCalls(calls); }

    void SetUp() override
    {
        App();
        qRegisterMetaType<const IDCPlaySourceItem*>("const IDCPlaySourceItem*");
        qRegisterMetaType<Fablecut::ISourceDataItem*>("Fablecut::ISourceDataItem*");
        qRegisterMetaType<Fablecut::ISourceDataItem*>("ISourceDataItem*");
        qRegisterMetaType<QList<Fablecut::ISourceDataItem*>>("QList<Fablecut::ISourceDataItem*>");
        qRegisterMetaType<CBaseTime>("CBaseTime");
        qRegisterMetaType<int32_t>("int32_t");
        CAppVariableInfo::GetInstance()->SetInfoValue("TimeLineViewScaleValue", 6);
        mgr.reset(new CMProjectMgr(nullptr, &media));
        mgr->SetItemQuery([this](const QString& path) -> Fablecut::ISourceDataItem* {
            library.queried << path;
            auto it = library.byPath.find(path);
            return it == library.byPath.end() ? nullptr : it->second;
        });
        QObject::connect(mgr.get(), &CMProjectMgr::signal_ImportFilesQuery,
                         [this](QStringList files) { library.importRequests << files; });
        panel.reset(new VTimeLineView(nullptr));
        panel->resize(900, 150);
        panel->show();
        QApplication::setActiveWindow(panel.get());
        panel->setProjectMgr(mgr.get());
        calls.QueryLibraryItemByHandle = [this](quint32 h) { return library.ByHandle(h); };
        panel->setHostCalls(calls);
        view = panel->getTrackView();
        scene = panel->getScene();
        line = mgr->GetTimelineItem();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        panel.reset();
        mgr.reset();
    }

    // ------------------------------------------------------------ pointer
    QPoint At(double seconds, double y = 40.0) const { return view->mapFromScene(QPointF(seconds, y)); }
    void Mouse(QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QMouseEvent e(type, pos, view->viewport()->mapToGlobal(pos), button, buttons, mods);
        QApplication::sendEvent(view->viewport(), &e);
    }
    void Hover(double t) { Mouse(QEvent::MouseMove, At(t), Qt::NoButton, Qt::NoButton); }
    // Hover at `from`, press, drag through `to` and release there.
    void Drag(double from, double to, Qt::KeyboardModifiers releaseMods = Qt::NoModifier,
              Qt::KeyboardModifiers dragMods = Qt::NoModifier)
    {
        Hover(from);
        Mouse(QEvent::MouseButtonPress, At(from), Qt::LeftButton, Qt::LeftButton);
        const int steps = 6;
        for (int i = 1; i <= steps; ++i) {
            const double t = from + (to - from) * i / steps;
            Mouse(QEvent::MouseMove, At(t), Qt::NoButton, Qt::LeftButton, dragMods);
        }
        Mouse(QEvent::MouseButtonRelease, At(to), Qt::LeftButton, Qt::NoButton, releaseMods);
    }
    void Click(double t, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        Hover(t);
        Mouse(QEvent::MouseButtonPress, At(t), Qt::LeftButton, Qt::LeftButton, mods);
        Mouse(QEvent::MouseButtonRelease, At(t), Qt::LeftButton, Qt::NoButton, mods);
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        view->setFocus();
        QKeyEvent press(QEvent::KeyPress, key, mods);
        QApplication::sendEvent(view, &press);
    }

    // -------------------------------------------------------------- drops
    // Drags the data over the track to the time and drops it there; true
    // when the drop had an insert position.
    bool DropAt(QMimeData* data, double seconds)
    {
        const QPoint pos = At(seconds);
        QDragEnterEvent enter(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        const bool valid = view->insertPosValid();
        QDropEvent drop(pos, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &drop);
        return valid;
    }
    bool DropLibrary(const std::vector<quint32>& handles, double seconds)
    {
        QMimeData data;
        data.setData(STR_MediasLibMimeType, LibraryPayload(handles));
        return DropAt(&data, seconds);
    }

    // ------------------------------------------------------------- checks
    std::vector<Expect> Actual() const
    {
        std::vector<Expect> out;
        for (Fablecut::ISourceDataItem* c : line->GetChildItems())
            out.push_back(
                {c->GetSrcFileFullPath(), c->GetTrimStartPoint().ToSeconds(), c->GetTrimEndPoint().ToSeconds()});
        return out;
    }
    void ExpectTimeline(const std::vector<Expect>& want, const char* what)
    {
        const std::vector<Expect> got = Actual();
        ASSERT_EQ(want.size(), got.size()) << what;
        for (size_t i = 0; i < want.size(); ++i) {
            EXPECT_EQ(want[i].path, got[i].path) << what << " clip " << i;
            EXPECT_NEAR(want[i].trimStart, got[i].trimStart, 1e-6) << what << " clip " << i;
            EXPECT_NEAR(want[i].trimEnd, got[i].trimEnd, 1e-6) << what << " clip " << i;
        }
        ExpectMirror(what);
    }
    // The track mirrors the timeline: one item per clip, at its start point,
    // as wide as its trimmed duration, no gaps, snap points rebuilt.
    void ExpectMirror(const char* what)
    {
        const QList<VClipItem*> items = scene->getClipItems();
        const std::vector<Fablecut::ISourceDataItem*> clips = line->GetChildItems();
        ASSERT_EQ(int(clips.size()), items.size()) << what;
        double start = 0.0;
        QList<double> points;
        for (size_t i = 0; i < clips.size(); ++i) {
            EXPECT_EQ(clips[i], items[int(i)]->getClipItemSouceData()) << what << " item " << i;
            EXPECT_NEAR(start, clips[i]->GetStartPoint().ToSeconds(), 1e-6) << what << " gap before " << i;
            EXPECT_NEAR(start, items[int(i)]->pos().x(), 1e-6) << what << " item " << i;
            EXPECT_NEAR(1.0, items[int(i)]->pos().y(), 1e-9) << what;
            const double w = clips[i]->GetTrimDuration().ToSeconds();
            EXPECT_NEAR(w, items[int(i)]->rect().width(), 1e-6) << what << " item " << i;
            points << start << start + w;
            start += w;
        }
        if (points.isEmpty())
            points << 0.0;
        const QList<CBaseTime> snaps = scene->getSnapPoints();
        ASSERT_EQ(points.size(), snaps.size()) << what;
        for (int i = 0; i < points.size(); ++i)
            EXPECT_NEAR(points[i], snaps[i].ToSeconds(), 1e-6) << what;
        int clipItems = 0;
        for (QGraphicsItem* item : scene->items())
            if (item->type() == VClipItem::ClipItemType)
                ++clipItems;
        EXPECT_EQ(int(clips.size()), clipItems) << what << ": no stray clip item or ghost";
        EXPECT_FALSE(view->IsDraggingClip()) << what;
    }
    QList<int> SelectedIndexes() const
    {
        QList<int> out;
        for (VClipItem* c : scene->getSelectedClipItems())
            out << line->IndexOfItem(c->getClipItemSouceData());
        return out;
    }
};

} // namespace TimelineTest
