// Renders the timeline panel with the default skin and one interface
// language: clips on the track, one selected, the play head inside it, and
// a library drag hovering over a clip border with its insert marker.
//
//   timeline_screenshots <out folder> <language code> [<.qm file>]

#include "TimelineFixture.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QSlider>
#include <QTranslator>
#include <QVBoxLayout>

#include <cstdio>

namespace {

class Shots : public TimelineTest::Timeline
{
public:
    void TestBody() override {}
    void Start() { SetUp(); }
    void Stop() { TearDown(); }

    bool Run(const QString& folder, const QString& code)
    {
        const QStringList names = {"Opening titles.mp4", "Beach walk.mov", "Interview.mp4", "Sunset.mts"};
        const double lengths[] = {24.0, 40.0, 32.0, 18.0};
        QList<Fablecut::ISourceDataItem*> items;
        for (int i = 0; i < names.size(); ++i) {
            library.Add("/home/user/Videos/" + names[i], lengths[i]);
            items << library.items.back().get();
        }
        panel->resize(1000, 150);
        panel->findChild<QSlider*>("sldZoom")->setValue(10);
        mgr->slot_InsertItemsByIndex(items, -1);
        scene->updateClipsTime(false);
        QApplication::processEvents();
        scene->getClipItems()[1]->setSelected(true);
        panel->slot_mainplayer_playtimechanged(37.5);
        QApplication::processEvents();
        bool ok = panel->grab().save(folder + "/timeline_" + code + ".png");

        // A library item hovering near the border of clips 2 and 3.
        QMimeData data;
        data.setData(STR_MediasLibMimeType, TimelineTest::LibraryPayload({1}));
        const QPoint pos = At(64.8);
        QDragEnterEvent enter(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        QApplication::processEvents();
        ok &= panel->grab().save(folder + "/timeline_drag_" + code + ".png");
        QDragLeaveEvent leave;
        QApplication::sendEvent(view->viewport(), &leave);

        // The context menu over the selected clip.
        view->showPopupMenu(At(50.0));
        QApplication::processEvents();
        ok &= view->popupMenu()->grab().save(folder + "/timeline_menu_" + code + ".png");
        view->popupMenu()->hide();
        return ok;
    }
};

QString SkinSheet()
{
    QFile css(FABLECUT_SOURCE_DIR "/resources/skins/default/skin.css");
    if (!css.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(css.readAll()).replace("%skinpath%", FABLECUT_BIN_DIR "/skins/default");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: timeline_screenshots <out folder> <language code> [<.qm file>]\n");
        return 2;
    }
    TimelineTest::App();
    QTranslator translator;
    if (argc > 3 && translator.load(QString::fromLocal8Bit(argv[3])))
        QApplication::installTranslator(&translator);
    qApp->setStyleSheet(SkinSheet());
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    Shots shots;
    shots.Start();
    const bool ok = shots.Run(folder, QString::fromLocal8Bit(argv[2]));
    shots.Stop();
    return ok ? 0 : 1;
}
