#pragma once

// What the GUI tests of the program's folders share: one QApplication whose
// settings live in the test's own home folder, with the shipped product
// information and setting defaults beside the test program, and clips made
// with the ffmpeg program.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QDialog>
#include <QLabel>
#include <QString>
#include <QStringList>
#include <QTextBrowser>
#include <QTimer>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace GuiTest {

inline bool Run(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// A fresh folder for this test program, removed at exit.
struct TempFolder
{
    QString dir;
    TempFolder()
    {
        std::string tmpl = "/tmp/fablecut-gui-XXXXXX";
        const char* made = mkdtemp(&tmpl[0]);
        dir = made ? QString::fromLocal8Bit(made) : QStringLiteral("/tmp/fablecut-gui");
    }
    ~TempFolder() { Run("rm -rf '" + dir.toStdString() + "'"); }
};

inline QString TempRoot()
{
    static TempFolder folder;
    return folder.dir;
}

// Copies a shipped file beside the test program (which lives in a folder of
// its own, tests-bin/gui) unless it is there (write to
// a private name, then rename: parallel tests never see half a file).
inline void ShipBesideProgram(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    if (QFile::exists(target))
        return;
    const QString temp = target + ".part" + QString::number(getpid());
    QFile::copy(QStringLiteral(FABLECUT_SOURCE_DIR "/resources/") + name, temp);
    if (::rename(temp.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0)
        QFile::remove(temp);
}

inline QApplication* App(const char* name)
{
    static int argc = 1;
    static char* argv[] = {const_cast<char*>(name), nullptr};
    static QApplication* app = [] {
        const QString home = TempRoot() + "/home";
        QDir().mkpath(home);
        setenv("HOME", home.toLocal8Bit().constData(), 1);
        setenv("XDG_DATA_HOME", (home + "/.local/share").toLocal8Bit().constData(), 1);
        auto* a = new QApplication(argc, argv);
        ShipBesideProgram("DefaultInfo.xml");
        ShipBesideProgram("AppConfig.en_US.xml");
        return a;
    }();
    return app;
}

// A short clip with pictures (and sound when asked) made by ffmpeg.
inline bool MakeClip(const QString& path, bool withSound = true, double seconds = 1.0)
{
    const std::string audio = withSound ? " -f lavfi -i sine=frequency=440:sample_rate=48000 -shortest -c:a aac" : "";
    return Run("ffmpeg -nostdin -v error -y -f lavfi -i testsrc=size=160x120:rate=25 -t " + std::to_string(seconds) +
               audio + " -c:v mpeg4 -t " + std::to_string(seconds) + " '" + path.toStdString() + "'");
}

inline bool MakeAudioOnly(const QString& path)
{
    return Run("ffmpeg -nostdin -v error -y -f lavfi -i sine=frequency=440:sample_rate=48000 -t 1 '" +
               path.toStdString() + "'");
}

// Answers every message box of the program that opens while it lives: its
// text is recorded (caption or rich text as plain text) and the box is
// accepted.
class BoxWatcher
{
public:
    BoxWatcher()
    {
        m_timer.setInterval(30);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible() || !w->inherits("VRichMessageBox"))
                    continue;
                QString text;
                if (auto* caption = w->findChild<QLabel*>("lblCaption"); caption && caption->isVisibleTo(w))
                    text = caption->text();
                if (auto* rich = w->findChild<QTextBrowser*>("edtRich"); rich && rich->isVisibleTo(w))
                    text += rich->toPlainText();
                texts << text;
                names << w->objectName();
                static_cast<QDialog*>(w)->done(QDialog::Accepted);
            }
        });
        m_timer.start();
    }
    QStringList texts;
    QStringList names;

private:
    QTimer m_timer;
};

} // namespace GuiTest
