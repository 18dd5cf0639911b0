// Failures as the layers word them, said to the user: what an operating-system
// error means for the file, and the media layer's reasons, in English and in
// the German and Chinese interfaces.

#include "ProjectData/userfailuretext.h"

#include <QCoreApplication>
#include <QTranslator>

#include <gtest/gtest.h>

#include <string>

namespace {

QCoreApplication* App()
{
    static int argc = 1;
    static char name[] = "test_userfailuretext";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return app;
}

struct Case
{
    const char* message;
    const char* english;
    const char* german;
    const char* chinese;
};

const Case kCases[] = {
    {"open /m/Holiday.mp4 error: errno: 2 No such file or directory", "the file /m/Holiday.mp4 no longer exists",
     "die Datei /m/Holiday.mp4 gibt es nicht mehr", "文件“/m/Holiday.mp4”已不存在"},
    {"Can't read the stream file /d/BDMV/00001.m2ts: errno: 13 Permission denied",
     "the file /d/BDMV/00001.m2ts may not be read or written (permission denied)",
     "die Datei /d/BDMV/00001.m2ts darf nicht gelesen oder geschrieben werden (keine Berechtigung)",
     "文件“/d/BDMV/00001.m2ts”无权读写（权限被拒绝）"},
    {"read error: errno: 2 No such file or directory", "the file no longer exists", "die Datei gibt es nicht mehr",
     "该文件已不存在"},
    {"Can't write the file /out/a.m2ts: errno: 28 No space left on device", "the disk is full",
     "der Datenträger ist voll", "磁盘已满"},
    {"open /m/x error: errno: 36 File name too long",
     "the file /m/x could not be used: the system reports \"File name too long\"",
     "die Datei /m/x ließ sich nicht verwenden: Das System meldet „File name too long“",
     "无法使用文件“/m/x”：系统报告“File name too long”"},
    {"The file /m/beach.mp4 is damaged: the data ends at 3.20 s of the 10.00 s its header states (the file is cut "
     "short)",
     "the file /m/beach.mp4 is damaged: its data ends at 3.20 s of the 10.00 s its header states (it is cut short)",
     "die Datei /m/beach.mp4 ist beschädigt: Ihre Daten enden bei 3.20 s der 10.00 s, die ihr Kopf angibt (sie ist "
     "abgeschnitten)",
     "文件“/m/beach.mp4”已损坏：其数据在 3.20 秒处结束，而文件头声明为 10.00 秒（文件被截断）"},
    {"No video or audio stream found in /m/notes.txt", "it holds no pictures and no sound",
     "sie enthält weder Bilder noch Ton", "其中没有画面也没有声音"},
    {"Not a media file or damaged: /m/beach.mp4: Invalid data found when processing input",
     "it is not a media file, or it is damaged", "es ist keine Mediendatei, oder sie ist beschädigt",
     "这不是媒体文件，或者文件已损坏"},
    {"The file is empty: /m/empty.mp4", "the file is empty", "die Datei ist leer", "文件为空"},
    // A message nobody words for the user stays as it is.
    {"Something else went wrong", "Something else went wrong", "Something else went wrong",
     "Something else went wrong"},
};

} // namespace

TEST(UserFailureText, SaysWhatAFailureMeansInEachLanguage)
{
    App();
    for (const Case& c : kCases)
        EXPECT_EQ(UserFailureText::Explain(QString::fromUtf8(c.message)).toStdString(), std::string(c.english))
            << c.message;
    const struct
    {
        const char* qm;
        int column;
    } languages[] = {{"fablecut_de_DE.qm", 1}, {"fablecut_zh_CN.qm", 2}};
    for (const auto& l : languages) {
        QTranslator translator;
        ASSERT_TRUE(translator.load(QStringLiteral(FABLECUT_BIN_DIR "/language/") + l.qm)) << l.qm;
        QCoreApplication::installTranslator(&translator);
        for (const Case& c : kCases) {
            const char* want = l.column == 1 ? c.german : c.chinese;
            EXPECT_EQ(UserFailureText::Explain(QString::fromUtf8(c.message)).toStdString(), std::string(want))
                << l.qm << ": " << c.message;
        }
        QCoreApplication::removeTranslator(&translator);
    }
}
