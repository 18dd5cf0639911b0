// A look by eye at the paused main player while a clip on the timeline is
// edited: the import/edit page with the default skin over the real project
// manager, media layer and engine; each edit is made with the mouse and keys
// and the whole screen is taken with `import -window root` (run it under
// Xvfb with a window manager).
//
//   player_edit_screenshots <clip> <out folder> <language code> [<.qm file>...]

#include "AppConfigure/AppConfigDefines.h"
#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/cmprojectmgr.h"
#include "Preview/vdcframeplayer.h"
#include "Preview/vdcmainplayer.h"
#include "Editor/veffectoptions.h"
#include "MainPages/vsourcerpage.h"
#include "MainPages/vsourceworkspace.h"
#include "SourcePage/vtimelineview.h"
#include "SourcePage/vtrackscene.h"
#include "SourcePage/vtrackview.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <QTranslator>

#include <cstdio>
#include <functional>
#include <memory>

namespace {

void Pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

bool Shot(const QString& path)
{
    Pump(400);
    return QProcess::execute("import", {"-window", "root", path}) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: player_edit_screenshots <clip> <out folder> <language code> [<.qm file>...]\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[2]);
    const QString lang = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(out);
    std::vector<std::unique_ptr<QTranslator>> translators;
    for (int i = 4; i < argc; ++i) {
        auto t = std::make_unique<QTranslator>();
        if (t->load(QString::fromLocal8Bit(argv[i]))) {
            QCoreApplication::installTranslator(t.get());
            translators.push_back(std::move(t));
        }
    }
    const QString skin = QStringLiteral(FABLECUT_BIN_DIR "/skins/default");
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    settings->SetInfoValue("TimeLineViewScaleValue", 9);
    QFile css(QStringLiteral(FABLECUT_SOURCE_DIR "/resources/skins/default/skin.css"));
    if (css.open(QIODevice::ReadOnly))
        app.setStyleSheet(QString::fromUtf8(css.readAll()).replace("%skinpath%", skin));

    Moorland::IAVManager* manager = CreateAVManager("/tmp/", nullptr);
    if (!manager)
        return 1;
    bool ok = true;
    {
        Fablecut::CMediaSourceItem library;
        library.SetAVManager(manager);
        library.SetSrcFileFullPath(QString::fromLocal8Bit(argv[1]));
        library.setName(QFileInfo(library.GetSrcFileFullPath()).fileName());
        if (!library.OpenImporter())
            return 1;
        library.UpdateMovieInfos();
        CMProjectMgr mgr(nullptr, manager);
        VSourcerPage page(nullptr);
        page.SetAVManager(manager);
        page.GetTimeLineView()->setProjectMgr(&mgr);
        page.GetMainPlayer()->SetSkinPath(skin);
        page.setWindowTitle("fablecut");
        page.resize(1180, 740);
        page.move(40, 30);
        page.show();
        mgr.slot_InsertItemsByIndex({&library, &library}, -1);
        page.GetTimeLineView()->getScene()->updateClipsTime(false);
        Pump(300);

        VTrackView* view = page.GetTimeLineView()->getTrackView();
        auto click = [&](const char* name) {
            if (auto* b = page.findChild<QAbstractButton*>(name))
                QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(b->width() / 2, b->height() / 2));
            Pump(100);
        };
        auto check = [&](bool on) {
            auto* box = page.findChild<QCheckBox*>("CheckBox_EffectEnabled");
            if (box && box->isChecked() != on)
                QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
            Pump(100);
        };
        auto keys = [&](const char* name, Qt::Key key, int n) {
            auto* s = page.findChild<QSlider*>(name);
            s->setFocus(Qt::MouseFocusReason);
            for (int i = 0; i < n; ++i)
                QTest::keyClick(s, key);
        };
        auto pick = [&](EffectType type) {
            auto* c = page.findChild<VEffectOptions*>("wEffectOptions");
            for (int r = 0; r < c->rowCount(); ++r)
                for (int k = 0; k < c->columnCount(); ++k)
                    if (c->item(r, k) && c->item(r, k)->data(VEffectOptions::EffectTypeRole).toInt() == type)
                        QTest::mouseClick(c->viewport(), Qt::LeftButton, {}, c->visualItemRect(c->item(r, k)).center());
        };
        auto reset = [&] {
            click("btnEffectEditorPage");
            check(true);
            click("btnReset");
        };

        // The first clip, chosen with the mouse: the player pauses on it.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(QPointF(2.0, 40.0)));
        Pump(800);
        ok &= Shot(out + "/paused-plain-" + lang + ".png");
        reset();
        struct Edit
        {
            const char* name;
            std::function<void()> act;
        } edits[] = {
            {"brightness", [&] { keys("sldEffectBrightness", Qt::Key_PageUp, 5); }},
            {"contrast", [&] { keys("sldEffectContrast", Qt::Key_PageUp, 6); }},
            {"saturation", [&] { keys("sldEffectSaturation", Qt::Key_PageDown, 10); }},
            {"gray", [&] { pick(EffectGray); }},
            {"agedfilm", [&] { pick(EffectAgedFilm); }},
            {"mirror", [&] { click("btnFlipHorizontal"); }},
            {"turn-cw", [&] { click("btnRotateCW"); }},
            {"turn-ccw", [&] { click("btnRotateCCW"); }},
        };
        for (const Edit& e : edits) {
            reset();
            e.act();
            ok &= Shot(out + "/paused-" + e.name + "-" + lang + ".png");
        }
        reset();
        click("btn3DEditorPage");
        check(true);
        click("btn3DEffectRedGreen");
        ok &= Shot(out + "/paused-3d-" + lang + ".png");
        check(false);
        // The second clip, untouched, chosen with the mouse.
        click("btnEffectEditorPage");
        check(true);
        click("btnRotateCW");
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->mapFromScene(QPointF(12.0, 40.0)));
        Pump(800);
        ok &= Shot(out + "/paused-otherclip-" + lang + ".png");
        // A bigger window while paused.
        page.resize(1240, 780);
        ok &= Shot(out + "/paused-resized-" + lang + ".png");
        page.GetMainPlayer()->SetSourceItem(nullptr, false);
    }
    manager->Release();
    return ok ? 0 : 1;
}
