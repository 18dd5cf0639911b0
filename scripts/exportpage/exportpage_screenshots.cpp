// Pictures of the output page for looking at its layout: each of the five
// profile pages in English, German and Chinese, with task rows in each of
// their states. Usage: exportpage_screenshots <output folder>.

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ConvertTaskInfo2.h"
#include "OutputTask/cmmoutputtask.h"
#include "ExportPage/vexportpage.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "ExportPage/vprofilemanagerwidget.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTranslator>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

namespace {

void ShipFromBuild(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    if (QFileInfo::exists(target))
        return;
    const QString source = QStringLiteral(FABLECUT_BIN_DIR "/") + name;
    std::system(("cp -r '" + source + "' '" + target + "'").toLocal8Bit().constData());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath();
    QDir().mkpath(out);
    for (const char* name : {"all_profile.xml", "profile", "ICON", "DefaultInfo.xml", "AppConfig.en_US.xml"})
        ShipFromBuild(name);
    CAppFixedInfo::GetInstance()->ReadInfos();
    CAppVariableInfo::GetInstance()->ReadInfos();
    CAppVariableInfo::GetInstance()->InitInfos();
    // The skin the program applies at start-up.
    QFile css(QStringLiteral(FABLECUT_BIN_DIR "/skins/default/skin.css"));
    if (css.open(QIODevice::ReadOnly)) {
        QString sheet = QString::fromUtf8(css.readAll());
        sheet.replace("%skinpath%", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"), Qt::CaseInsensitive);
        app.setStyleSheet(sheet);
    }

    const char* pages[] = {"format", "device", "editor", "lossless", "online"};
    const VProfileMgrPageWidget::Function funcs[] = {
        VProfileMgrPageWidget::FUNC_FORMAT, VProfileMgrPageWidget::FUNC_DEVICE, VProfileMgrPageWidget::FUNC_EDITOR,
        VProfileMgrPageWidget::FUNC_LOSSLESS, VProfileMgrPageWidget::FUNC_ONLINE};
    for (const char* lang : {"en_US", "de_DE", "zh_CN"}) {
        QTranslator translator;
        translator.load(QString(FABLECUT_BIN_DIR "/language/fablecut_%1.qm").arg(lang));
        app.installTranslator(&translator);

        std::deque<Moorland::ConvertTaskInfo2> records(6);
        VExportPage page;
        page.resize(1100, 680);
        page.initProfileNodeMgr();
        page.initProfileSettingPage();
        page.initConnection();
        VMOutPutTaskMgr* list = page.taskList();
        for (int i = 0; i < 6; ++i) {
            VMOutputTaskItem* row = list->addOutputTask();
            Moorland::ConvertTaskInfo2& rec = records[i];
            std::memset(&rec, 0, sizeof rec);
            if (i == 0)
                continue; // new
            row->getMOutputTask()->SetBaseConvertTaskInfo(&rec);
            row->setConvertStart(true);
            row->setBtnStartConvertVisible(true);
            const int states[] = {0, 1, 2, 4, 5, 5};
            rec.SetState(states[i]);
            rec.SetPercent(i == 1 ? 42.7 : i == 2 ? 63 : 100);
            if (i == 2)
                row->setConvertStart(false);
            row->slot_TimerUpdateProgressBarValue();
            if (i == 5)
                row->OnUploadTaskFailed(nullptr, IYoutubeUpload::UPLOAD_TIMEOUT);
        }
        page.show();
        for (int p = 0; p < 5; ++p) {
            page.profileArea()->swithPageByFuction(funcs[p]);
            for (int k = 0; k < 5; ++k)
                app.processEvents();
            page.grab().save(QString("%1/%2_%3.png").arg(out, lang, pages[p]));
            // With EXPORTPAGE_SIZES set: the widths of the list and the area,
            // which must not change with the page or the language.
            if (std::getenv("EXPORTPAGE_SIZES"))
                std::fprintf(stderr, "%s %s list %d (hint %d min %d) area %d (hint %d min %d)\n", lang, pages[p],
                             list->width(), list->sizeHint().width(), list->minimumSizeHint().width(),
                             page.profileArea()->width(), page.profileArea()->sizeHint().width(),
                             page.profileArea()->minimumSizeHint().width());
        }
        app.removeTranslator(&translator);
    }
    return 0;
}
