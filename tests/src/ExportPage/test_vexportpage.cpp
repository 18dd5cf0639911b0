// The output page on the shipped catalogue: start-up with and without the
// user's last profile, the files it writes when it closes, the joining of
// the task list with the profile area, and the upload settings panel that
// follows the selected task.

#include "../MainPages/GuiTestApp.h"

#include "CAppFixedInfo.h"
#include "CAppVariableInfo.h"
#include "CYoutubeVideoInfo.h"
#include "IProfile.h"
#include "ProfileNodeManager.h"
#include "cmmoutputtask.h"
#include "sys_pathutils.h"
#include "vexportpage.h"
#include "vmoutputtaskitem.h"
#include "vmoutputtaskmgr.h"
#include "vprofiledevicepage.h"
#include "vprofileformatpage.h"
#include "vprofilemanagerwidget.h"
#include "vprofileonlinepage.h"
#include "vyoutubesettingwidget.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Copies a file or folder of the build's program folder beside the test
// program unless it is there (into a private name, then renamed).
void ShipFromBuild(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    if (QFileInfo::exists(target))
        return;
    const QString source = QStringLiteral(FABLECUT_BIN_DIR "/") + name;
    const QString temp = target + ".part" + QString::number(getpid());
    GuiTest::Run("cp -r '" + source.toStdString() + "' '" + temp.toStdString() + "'");
    if (::rename(temp.toLocal8Bit().constData(), target.toLocal8Bit().constData()) != 0)
        GuiTest::Run("rm -rf '" + temp.toStdString() + "'");
}

QString Home()
{
    return CSysPathsEnumerater::EnumSystemPath(SYSPATH_APP_HOME);
}

void Prepare()
{
    static bool once = [] {
        GuiTest::App("test_vexportpage");
        for (const char* name : {"all_profile.xml", "profile", "ICON"})
            ShipFromBuild(name);
        CAppFixedInfo::GetInstance()->ReadInfos();
        CAppVariableInfo::GetInstance()->ReadInfos();
        CAppVariableInfo::GetInstance()->InitInfos();
        return true;
    }();
    (void)once;
}

std::unique_ptr<VExportPage> OpenPage()
{
    auto page = std::make_unique<VExportPage>();
    page->SetAVManager(nullptr);
    page->SetAVConverter(nullptr);
    page->setTimeLineItem(nullptr);
    page->initProfileNodeMgr();
    page->initProfileSettingPage();
    page->initConnection();
    return page;
}

int CountTypes(int type)
{
    QFile f(QCoreApplication::applicationDirPath() + "/all_profile.xml");
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return QString::fromUtf8(f.readAll()).count(QString("Type=\"%1\"").arg(type));
}

int DefaultId()
{
    QFile f(QCoreApplication::applicationDirPath() + "/all_profile.xml");
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    const int at = text.indexOf("DefaultID=\"") + 11;
    return text.mid(at, text.indexOf('"', at) - at).toInt();
}

} // namespace

TEST(ExportPage, ShippedCatalogueFillsAllFivePages)
{
    Prepare();
    auto page = OpenPage();
    VProfileManagerWidget* area = page->profileArea();
    auto* format = area->GetPageByFunc(VProfileMgrPageWidget::FUNC_FORMAT);
    auto* grid = format->findChild<QTableWidget*>("tbwProfileCata");
    int cells = 0;
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < 4; ++c)
            cells += grid->item(r, c)->data(Qt::UserRole).toInt() != -1;
    EXPECT_EQ(cells, CountTypes(2));
    EXPECT_FALSE(grid->item(0, 0)->data(Qt::DecorationRole).value<QPixmap>().isNull());
    for (auto func : {VProfileMgrPageWidget::FUNC_FORMAT, VProfileMgrPageWidget::FUNC_DEVICE,
                      VProfileMgrPageWidget::FUNC_EDITOR, VProfileMgrPageWidget::FUNC_LOSSLESS,
                      VProfileMgrPageWidget::FUNC_ONLINE}) {
        SCOPED_TRACE(int(func));
        VProfileMgrPageWidget* p = area->GetPageByFunc(func);
        ASSERT_NE(p, nullptr);
        ASSERT_NE(p->GetCurProfile(), nullptr);
    }
    auto* online = static_cast<VProfileOnlinePage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_ONLINE));
    EXPECT_EQ(online->findChild<QListWidget*>("lstwProfileCata")->count(), CountTypes(6));
    EXPECT_GT(online->formatList()->count(), 0);
    EXPECT_GT(static_cast<VProfileDevicePage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_DEVICE))
                  ->formatList()
                  ->count(),
              0);
}

TEST(ExportPage, StartUpLoadsTheLastProfileOrTheDefaultOne)
{
    Prepare();
    const QString last = Home() + "/lastProfile.xml";
    struct Case
    {
        const char* what;
        QByteArray text; // empty: no file
        bool fromLast;
    } cases[] = {
        {"no last profile", QByteArray(), false},
        {"readable", "<?xml version=\"1.0\"?><Profile><Desc ID=\"20003\" BaseID=\"101\" Name=\"Last used\" />"
                     "<File Ext=\".mp4\" /></Profile>",
         true},
        {"unreadable", "<Profile><Desc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(last);
        if (!c.text.isEmpty()) {
            QFile f(last);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.text);
        }
        auto page = OpenPage();
        IProfile* chosen = page->defaultProfile();
        ASSERT_NE(chosen, nullptr);
        EXPECT_EQ(page->taskList()->defaultIProfile(), chosen);
        EXPECT_EQ(page->taskList()->profileNodeMgr(), page->GetProfileNodeMgr());
        if (c.fromLast)
            EXPECT_STREQ(chosen->GetDesc()->GetName(), "Last used");
        else
            EXPECT_EQ(chosen->GetDesc()->GetID(), DefaultId());
    }
    QFile::remove(last);
}

TEST(ExportPage, FirstStartCreatesTheUserFolderAndClosingWritesTheThreeFiles)
{
    Prepare();
    QDir(Home() + "/custom").removeRecursively();
    for (const char* name : {"profile.cfg", "custom.xml", "profile_config.xml"})
        QFile::remove(Home() + "/" + name);
    {
        auto page = OpenPage();
        EXPECT_TRUE(QFileInfo(Home() + "/custom").isDir());
        QThread::msleep(20);
    }
    const QFileInfo cfg(Home() + "/profile.cfg");
    const QFileInfo custom(Home() + "/custom.xml");
    const QFileInfo config(Home() + "/profile_config.xml");
    ASSERT_TRUE(cfg.exists());
    ASSERT_TRUE(custom.exists());
    ASSERT_TRUE(config.exists());
    EXPECT_LE(cfg.lastModified(), custom.lastModified());
    EXPECT_FALSE(QFileInfo::exists(Home() + "/custom/custom.xml"));
}

TEST(ExportPage, TaskListGetsTheShownProfileWithTheEditorValues)
{
    Prepare();
    auto page = OpenPage();
    VProfileManagerWidget* area = page->profileArea();
    auto* format = static_cast<VProfileFormatPage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_FORMAT));
    auto* size = format->findChild<QComboBox*>("cbbVSize");
    ASSERT_NE(size, nullptr);
    ASSERT_TRUE(size->isEditable());
    size->setEditText("320*240");
    VMOutputTaskItem* row = page->taskList()->addOutputTask();
    IProfile* chosen = row->getMOutputTask()->GetProfile(true);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->GetDesc()->GetID(), format->GetCurProfile()->GetDesc()->GetID());
    EXPECT_EQ(chosen->GetVideoProfile()->GetWidth(), 320);
    EXPECT_EQ(chosen->GetVideoProfile()->GetHeight(), 240);

    // Choosing on another page reaches the selected task.
    area->swithPageByFuction(VProfileMgrPageWidget::FUNC_DEVICE);
    auto* device = static_cast<VProfileDevicePage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_DEVICE));
    EXPECT_EQ(row->getMOutputTask()->GetProfile(true)->GetDesc()->GetID(),
              device->GetCurProfile()->GetDesc()->GetID());

    // Selecting a started task shows its profile with the settings locked.
    VMOutputTaskItem* second = page->taskList()->addOutputTask();
    second->setConvertStart(true);
    page->taskList()->selectTaskItem(row);
    EXPECT_EQ(area->GetCurrentPage(), device);
    page->taskList()->selectTaskItem(second);
    EXPECT_FALSE(area->findChild<QStackedWidget*>("stwPages")->isEnabled());
    page->taskList()->removeTaskItem(second);
    EXPECT_TRUE(area->findChild<QStackedWidget*>("stwPages")->isEnabled());
}

TEST(ExportPage, UploadPanelNeverKeepsARemovedTasksRecord)
{
    Prepare();
    auto page = OpenPage();
    VProfileManagerWidget* area = page->profileArea();
    auto* online = static_cast<VProfileOnlinePage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_ONLINE));
    VYoutubeSettingWidget* panel = online->youtubeSettingWidget();
    VMOutPutTaskMgr* list = page->taskList();

    VMOutputTaskItem* row = list->addOutputTask();
    area->swithPageByFuction(VProfileMgrPageWidget::FUNC_ONLINE);
    EXPECT_EQ(panel->youtubeInfo(), row->getMOutputTask()->GetYoutubeInfo());
    area->swithPageByFuction(VProfileMgrPageWidget::FUNC_FORMAT);
    list->removeTaskItem(row);
    EXPECT_EQ(panel->youtubeInfo(), nullptr);
    area->swithPageByFuction(VProfileMgrPageWidget::FUNC_ONLINE);
    auto* title = panel->findChild<QLineEdit*>("edtTitle");
    EXPECT_TRUE(title->text().isEmpty());
    QTest::keyClicks(title, "after removal");
    EXPECT_EQ(title->text(), "after removal");

    // A new task's record is bound when it is selected on the online page.
    VMOutputTaskItem* next = list->addOutputTask();
    EXPECT_EQ(panel->youtubeInfo(), next->getMOutputTask()->GetYoutubeInfo());
    EXPECT_EQ(title->text(), next->getMOutputTask()->GetYoutubeInfo()->GetTitle());
}
