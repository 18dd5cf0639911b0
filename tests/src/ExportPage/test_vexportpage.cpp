// The output page on the shipped catalogue: start-up with and without the
// user's last profile, the files it writes when it closes, the joining of
// the task list with the profile area, and the upload settings panel that
// follows the selected task.

#include "../MainPages/GuiTestApp.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "OutputTask/CYoutubeVideoInfo.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "OutputTask/cmmoutputtask.h"
#include "DevUtils/sys_pathutils.h"
#include "ExportPage/vexportpage.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "ExportPage/vprofiledevicepage.h"
#include "ExportPage/vprofileformatpage.h"
#include "ExportPage/vprofilemanagerwidget.h"
#include "ExportPage/vprofileonlinepage.h"
#include "OutputTask/vyoutubesettingwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QToolTip>
#include <QHelpEvent>
#include <QTranslator>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

// Copies a file or folder of the build's program folder beside the test
// program unless it is there (into a private name, then renamed).
void ShipFromBuild(const QString& name)
{
    const QString target = QCoreApplication::applicationDirPath() + "/" + name;
    const QString source = QStringLiteral(FABLECUT_BIN_DIR "/") + name;
    if (QFileInfo(target).isDir()) {
        // A copy from an earlier build takes what the build has drawn since.
        GuiTest::Run("cp -r -u '" + source.toStdString() + "/.' '" + target.toStdString() + "/'");
        return;
    }
    if (QFileInfo::exists(target))
        return;
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
    for (auto func :
         {VProfileMgrPageWidget::FUNC_FORMAT, VProfileMgrPageWidget::FUNC_DEVICE, VProfileMgrPageWidget::FUNC_EDITOR,
          VProfileMgrPageWidget::FUNC_LOSSLESS, VProfileMgrPageWidget::FUNC_ONLINE}) {
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

// Every category cell of every page shows a picture of its own, and its
// name is its tool tip (shown on hover) and its accessible name.
TEST(ExportPage, EveryCategoryCellHasItsOwnPictureAndName)
{
    Prepare();
    auto page = OpenPage();
    page->resize(1100, 700);
    page->show();
    QHash<int, QString> names;
    {
        QFile f(QCoreApplication::applicationDirPath() + "/all_profile.xml");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QRegularExpression category("<Category ID=\"(\\d+)\" Name=\"([^\"]*)\"");
        for (auto m = category.globalMatch(text); m.hasNext();) {
            const QRegularExpressionMatch one = m.next();
            names[one.captured(1).toInt()] = one.captured(2);
        }
    }
    VProfileManagerWidget* area = page->profileArea();
    QList<QImage> seen;
    QStringList seenNames;
    int cells = 0;
    for (auto func :
         {VProfileMgrPageWidget::FUNC_FORMAT, VProfileMgrPageWidget::FUNC_DEVICE, VProfileMgrPageWidget::FUNC_EDITOR,
          VProfileMgrPageWidget::FUNC_LOSSLESS, VProfileMgrPageWidget::FUNC_ONLINE}) {
        area->swithPageByFuction(func);
        QApplication::processEvents();
        // A picture of each page for a look by eye, when a folder is named.
        const QString shots = qEnvironmentVariable("FABLECUT_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            page->grab().save(QString("%1/categories-%2.png").arg(shots).arg(int(func)));
        VProfileMgrPageWidget* p = area->GetPageByFunc(func);
        QAbstractItemView* view = p->findChild<QTableWidget*>("tbwProfileCata");
        if (!view)
            view = p->findChild<QListWidget*>("lstwProfileCata");
        ASSERT_NE(view, nullptr) << int(func);
        QAbstractItemModel* model = view->model();
        for (int r = 0; r < model->rowCount(); ++r)
            for (int c = 0; c < model->columnCount(); ++c) {
                const QModelIndex index = model->index(r, c);
                if (index.data(Qt::UserRole).toInt() == -1)
                    continue;
                ++cells;
                const QString name = names.value(index.data(Qt::UserRole).toInt());
                ASSERT_FALSE(name.isEmpty());
                EXPECT_EQ(index.data(Qt::ToolTipRole).toString(), name);
                EXPECT_EQ(index.data(Qt::AccessibleTextRole).toString(), name);
                const QImage icon = index.data(Qt::DecorationRole).value<QPixmap>().toImage();
                ASSERT_FALSE(icon.isNull()) << name.toStdString();
                const int twin = seen.indexOf(icon);
                EXPECT_EQ(twin, -1) << name.toStdString() << " looks like "
                                    << (twin >= 0 ? seenNames[twin].toStdString() : "");
                seen << icon;
                seenNames << name;
                // The tool tip as the pointer brings it up.
                view->scrollTo(index);
                const QRect cell = view->visualRect(index);
                if (!view->viewport()->rect().contains(cell.center()))
                    continue;
                QHelpEvent hover(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
                QApplication::sendEvent(view->viewport(), &hover);
                EXPECT_EQ(QToolTip::text(), name);
                QToolTip::hideText();
            }
    }
    EXPECT_EQ(cells, CountTypes(2) + CountTypes(3) + CountTypes(4) + CountTypes(5) + CountTypes(6));
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
        {"readable",
         "<?xml version=\"1.0\"?><Profile><Desc ID=\"20003\" BaseID=\"101\" Name=\"Last used\" />"
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

    // Choosing on another page reaches the selected task; showing it does not.
    area->swithPageByFuction(VProfileMgrPageWidget::FUNC_DEVICE);
    auto* device = static_cast<VProfileDevicePage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_DEVICE));
    EXPECT_EQ(row->getMOutputTask()->GetProfile(true)->GetDesc()->GetID(), format->GetCurProfile()->GetDesc()->GetID());
    device->formatList()->setCurrentIndex(device->formatList()->count() - 1);
    EXPECT_EQ(row->getMOutputTask()->GetProfile(true)->GetDesc()->GetID(), device->GetCurProfile()->GetDesc()->GetID());

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
    // Without a stored account the upload is offered unticked; the user ticks it.
    auto* upload = panel->findChild<QCheckBox*>("cbxUpload");
    if (!upload->isChecked())
        QTest::mouseClick(upload, Qt::LeftButton, {}, QPoint(5, upload->height() / 2));
    ASSERT_TRUE(upload->isChecked());
    QTest::keyClicks(title, "after removal");
    EXPECT_EQ(title->text(), "after removal");

    // A new task's record is bound when it is selected on the online page.
    VMOutputTaskItem* next = list->addOutputTask();
    EXPECT_EQ(panel->youtubeInfo(), next->getMOutputTask()->GetYoutubeInfo());
    EXPECT_EQ(title->text(), next->getMOutputTask()->GetYoutubeInfo()->GetTitle());
}

namespace {

// A page shown on the screen, as the user has it, with two tasks.
struct ShownPage
{
    std::unique_ptr<VExportPage> page = OpenPage();
    VProfileManagerWidget* area = page->profileArea();
    VMOutPutTaskMgr* list = page->taskList();
    VProfileFormatPage* format =
        static_cast<VProfileFormatPage*>(area->GetPageByFunc(VProfileMgrPageWidget::FUNC_FORMAT));
    VMOutputTaskItem* first = nullptr;
    VMOutputTaskItem* second = nullptr;

    ShownPage()
    {
        page->resize(1100, 680);
        page->show();
        first = list->addOutputTask();
        second = list->addOutputTask();
        QTest::qWait(20);
    }
    void click(VMOutputTaskItem* row) { QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 5, 5)); }
    // Clears the field and types the text, then leaves it with Tab.
    void type(const char* field, const QString& text)
    {
        auto* box = format->findChild<QComboBox*>(field);
        ASSERT_TRUE(box && box->isEditable()) << field;
        QLineEdit* edit = box->lineEdit();
        QTest::mouseClick(edit, Qt::LeftButton);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    QString shown(const char* field) const { return format->findChild<QComboBox*>(field)->currentText(); }
};

IVideoProfile* VideoOf(VMOutputTaskItem* row)
{
    return row->getMOutputTask()->GetProfile(true)->GetVideoProfile();
}

} // namespace

// What is typed while a row is current stays with that row when another row
// is clicked, exactly as typed, and comes back when the row is clicked again.
TEST(ExportPage, TypedSettingsStayWithTheirRow)
{
    Prepare();
    struct Case
    {
        const char* field;
        const char* typed;
        const char* shownAfter;
        int width, height, bitrate;
        double frameRate;
    } cases[] = {
        {"cbbVBitRate", "1200", "1200", -1, -1, 1200, 0},
        {"cbbVFrameRate", "23", "23", -1, -1, 2500, 23},
        {"cbbVSize", "640*36", "640*36", 640, 36, 2500, 0},
        {"cbbVSize", "original", "original", 0, 0, 2500, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.field + std::string(" ") + c.typed);
        ShownPage p;
        ASSERT_EQ(p.list->selectedTaskItem(), p.second);
        p.type(c.field, c.typed);
        p.click(p.first);
        ASSERT_EQ(p.list->selectedTaskItem(), p.first);
        EXPECT_NE(p.shown(c.field), c.shownAfter) << "the first row shows its own value";
        p.click(p.second);
        EXPECT_EQ(p.shown(c.field), c.shownAfter);
        IVideoProfile* video = VideoOf(p.second);
        EXPECT_EQ(video->GetWidth(), c.width);
        EXPECT_EQ(video->GetHeight(), c.height);
        EXPECT_EQ(video->GetBitrate(), c.bitrate);
        EXPECT_DOUBLE_EQ(video->GetFrameRate(), c.frameRate);
        EXPECT_EQ(VideoOf(p.first)->GetBitrate(), 2500) << "the other row is untouched";
        EXPECT_EQ(VideoOf(p.first)->GetWidth(), -1);
    }
}

namespace {

VProfileMgrPageWidget::Function kFunctions[] = {
    VProfileMgrPageWidget::FUNC_FORMAT, VProfileMgrPageWidget::FUNC_DEVICE, VProfileMgrPageWidget::FUNC_EDITOR,
    VProfileMgrPageWidget::FUNC_LOSSLESS, VProfileMgrPageWidget::FUNC_ONLINE};

// Clicks a page's name in the area's name bar.
void ClickPageName(VProfileManagerWidget* area, VProfileMgrPageWidget::Function func)
{
    auto* names = area->findChild<QListWidget*>("lstPageNames");
    for (int i = 0; i < names->count(); ++i)
        if (names->item(i)->data(Qt::UserRole).toInt() == func)
            QTest::mouseClick(names->viewport(), Qt::LeftButton, {}, names->visualItemRect(names->item(i)).center());
    ASSERT_EQ(area->GetCurrentPage(), area->GetPageByFunc(func));
}

// The page's chooser: the category grid, or the online page's icon list.
QAbstractItemView* Chooser(VProfileMgrPageWidget* page)
{
    if (auto* grid = page->findChild<QTableWidget*>("tbwProfileCata"))
        return grid;
    return page->findChild<QListWidget*>("lstwProfileCata");
}

// Clicks the chooser's cell at that index, scrolled into view first.
void ClickCell(QAbstractItemView* view, const QModelIndex& index)
{
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

QModelIndex SelectedCell(QAbstractItemView* view)
{
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    return selected.size() == 1 ? selected.first() : QModelIndex();
}

int IdOf(IProfile* profile)
{
    return profile ? profile->GetDesc()->GetID() : -1;
}

int TaskId(VMOutputTaskItem* row)
{
    return IdOf(row->getMOutputTask()->GetProfile(true));
}

void ClickAdd(VExportPage* page)
{
    auto* add = page->taskList()->findChild<QToolButton*>("btnAddOutPutTask");
    // The button waits for a timeline; the task it adds is the same without one.
    add->setEnabled(true);
    QTest::mouseClick(add, Qt::LeftButton);
}

// Types into a parameter list of the page; Tab after it when `leave`.
void TypeInto(VProfileMgrPageWidget* page, const char* field, const QString& text, bool leave)
{
    auto* box = page->findChild<QComboBox*>(field);
    ASSERT_TRUE(box && box->isEditable()) << field;
    QLineEdit* edit = box->lineEdit();
    QTest::mouseClick(edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    if (leave)
        QTest::keyClick(edit, Qt::Key_Tab);
}

} // namespace

// Showing a page and adding a task: the task converts with the profile the
// page shows, on every page.
TEST(ExportPage, AnAddedTaskTakesTheShownPagesProfile)
{
    Prepare();
    for (auto func : kFunctions) {
        SCOPED_TRACE(int(func));
        ShownPage p;
        const int before = TaskId(p.second);
        ClickPageName(p.area, func);
        IProfile* shown = p.area->GetPageByFunc(func)->GetCurProfile();
        ASSERT_NE(shown, nullptr);
        const int shownId = IdOf(shown);
        ClickAdd(p.page.get());
        ASSERT_EQ(p.list->taskItems().size(), 3);
        VMOutputTaskItem* added = p.list->taskItems().last();
        EXPECT_EQ(TaskId(added), shownId);
        EXPECT_EQ(p.list->selectedTaskItem(), added);
        EXPECT_EQ(IdOf(p.area->GetCurProfile()), shownId) << "the row and the page agree";
        EXPECT_EQ(TaskId(p.second), before) << "the task selected before keeps its profile";
        EXPECT_EQ(TaskId(p.first), before);
    }
}

// A value typed on a shown page, left without Enter or Tab, belongs to the
// row it was typed for: a click on another row keeps it there, and the row
// shows it again when clicked back; a start takes it too.
TEST(ExportPage, ATypedValueStaysWithItsRowOnEveryPage)
{
    Prepare();
    struct Case
    {
        VProfileMgrPageWidget::Function func;
        const char* field;
        const char* typed;
        bool leave;        // Tab after typing
        const char* again; // typed before the start
    } cases[] = {
        {VProfileMgrPageWidget::FUNC_DEVICE, "cbbVBitRate", "4321", false, "2222"},
        {VProfileMgrPageWidget::FUNC_DEVICE, "cbbVBitRate", "4321", true, "2222"},
        {VProfileMgrPageWidget::FUNC_FORMAT, "cbbVBitRate", "1234", false, "2222"},
        {VProfileMgrPageWidget::FUNC_EDITOR, "cbbVFrameRate", "23", false, "24"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(int(c.func)) + " " + c.field + (c.leave ? " and Tab" : ""));
        ShownPage p;
        ClickPageName(p.area, c.func);
        VProfileMgrPageWidget* page = p.area->GetPageByFunc(c.func);
        // A profile chosen on the page, as the user does it, is the row's.
        QAbstractItemView* chooser = Chooser(page);
        ClickCell(chooser, chooser->model()->index(0, 1));
        const int chosen = IdOf(page->GetCurProfile());
        ASSERT_EQ(TaskId(p.second), chosen);
        TypeInto(page, c.field, c.typed, c.leave);
        p.click(p.first);
        ASSERT_EQ(p.list->selectedTaskItem(), p.first);
        IProfile* task = p.second->getMOutputTask()->GetProfile(true);
        EXPECT_EQ(IdOf(task), chosen);
        if (QString(c.field) == "cbbVBitRate")
            EXPECT_EQ(task->GetVideoProfile()->GetBitrate(), QString(c.typed).toInt());
        else
            EXPECT_DOUBLE_EQ(task->GetVideoProfile()->GetFrameRate(), QString(c.typed).toDouble());
        EXPECT_NE(TaskId(p.first), chosen) << "the other row keeps its own profile";
        p.click(p.second);
        EXPECT_EQ(p.area->GetCurrentPage(), page);
        EXPECT_EQ(page->findChild<QComboBox*>(c.field)->currentText(), c.typed);

        // Typed again and started at once: the start takes the value.
        TypeInto(page, c.field, c.again, false);
        auto* start = p.second->findChild<QToolButton*>("btnStopOrStart");
        ASSERT_NE(start, nullptr);
        GuiTest::BoxWatcher boxes; // no engine here: the start is refused
        QTest::mouseClick(start, Qt::LeftButton);
        IProfile* started = p.second->getMOutputTask()->GetProfile(true);
        if (QString(c.field) == "cbbVBitRate")
            EXPECT_EQ(started->GetVideoProfile()->GetBitrate(), QString(c.again).toInt());
        else
            EXPECT_DOUBLE_EQ(started->GetVideoProfile()->GetFrameRate(), QString(c.again).toDouble());
    }
}

// The cell a page shows highlighted is the page's profile: a click on it
// gives that profile to a task that has another one.
TEST(ExportPage, ClickingTheHighlightedCellChoosesIt)
{
    Prepare();
    for (auto func : kFunctions) {
        if (func == VProfileMgrPageWidget::FUNC_FORMAT)
            continue; // the tasks' own page: its highlighted cell is theirs
        SCOPED_TRACE(int(func));
        ShownPage p;
        const int before = TaskId(p.second);
        ClickPageName(p.area, func);
        VProfileMgrPageWidget* page = p.area->GetCurrentPage();
        QAbstractItemView* chooser = Chooser(page);
        const QModelIndex highlighted = SelectedCell(chooser);
        ASSERT_TRUE(highlighted.isValid());
        const int shown = IdOf(page->GetCurProfile());
        ASSERT_NE(shown, before);
        EXPECT_EQ(TaskId(p.second), before) << "showing alone leaves the task";
        ClickCell(chooser, highlighted);
        EXPECT_EQ(TaskId(p.second), shown);
        EXPECT_EQ(TaskId(p.first), before);
        p.click(p.first);
        p.click(p.second);
        EXPECT_EQ(p.area->GetCurrentPage(), page) << "the row and the page agree";
        EXPECT_EQ(SelectedCell(chooser), highlighted);
    }
}

// A chosen cell shows its icon as it is, label included, and a ring around
// it; a tinted selection washed the label out.
TEST(ExportPage, AChosenCellKeepsItsIconsColours)
{
    Prepare();
    ShownPage p;
    auto* grid = p.format->findChild<QTableWidget*>("tbwProfileCata");
    ASSERT_NE(grid, nullptr);
    const QModelIndex cell = grid->model()->index(0, 1);
    ASSERT_FALSE(grid->selectionModel()->isSelected(cell));
    const QRect rect = grid->visualRect(cell);
    const auto shot = [&] { return grid->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const QImage before = shot();
    ClickCell(grid, cell);
    ASSERT_TRUE(grid->selectionModel()->isSelected(cell));
    const QImage after = shot();
    QRect inner(0, 0, rect.width() / 4, rect.height() / 3);
    inner.moveCenter(rect.center());
    int differing = 0;
    for (int y = inner.top(); y <= inner.bottom(); ++y)
        for (int x = inner.left(); x <= inner.right(); ++x)
            differing += before.pixel(x, y) != after.pixel(x, y);
    EXPECT_EQ(differing, 0) << "the icon is painted the same chosen or not";
    int ring = 0;
    for (int x = rect.left(); x <= rect.right(); ++x)
        ring += before.pixel(x, rect.top() + 2) != after.pixel(x, rect.top() + 2) ||
                before.pixel(x, rect.bottom() - 2) != after.pixel(x, rect.bottom() - 2);
    EXPECT_GT(ring, 0) << "the choice is marked around the icon";
}

// Clicking a page's name only shows the page: the tasks keep their profiles
// until a profile is chosen on that page; a task added now takes the shown one.
TEST(ExportPage, ShowingAnotherPageKeepsTheTasksProfile)
{
    Prepare();
    ShownPage p;
    const int before = TaskId(p.second);
    auto* device = static_cast<VProfileDevicePage*>(p.area->GetPageByFunc(VProfileMgrPageWidget::FUNC_DEVICE));
    for (auto func : kFunctions) {
        ClickPageName(p.area, func);
        EXPECT_EQ(TaskId(p.second), before) << int(func);
    }
    ClickPageName(p.area, VProfileMgrPageWidget::FUNC_DEVICE);
    ASSERT_EQ(p.area->GetCurrentPage(), device);
    p.click(p.first);
    p.click(p.second);
    EXPECT_EQ(TaskId(p.second), before) << "leaving the row does not store the page that was only shown";
    EXPECT_EQ(TaskId(p.first), before);
    EXPECT_EQ(p.area->GetCurrentPage(), p.format);

    // A profile chosen on the device page is the task's.
    ClickPageName(p.area, VProfileMgrPageWidget::FUNC_DEVICE);
    auto* grid = device->findChild<QTableWidget*>("tbwProfileCata");
    QTableWidgetItem* cell = grid->item(0, 1);
    ASSERT_NE(cell, nullptr);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualItemRect(cell).center());
    ASSERT_NE(device->GetCurProfile(), nullptr);
    const int chosen = IdOf(device->GetCurProfile());
    EXPECT_NE(chosen, before);
    EXPECT_EQ(TaskId(p.second), chosen);
    EXPECT_EQ(TaskId(p.first), before);

    // Only showing the format page again and adding: the new task has the
    // format page's profile, the others keep theirs.
    ClickPageName(p.area, VProfileMgrPageWidget::FUNC_FORMAT);
    ClickAdd(p.page.get());
    EXPECT_EQ(TaskId(p.list->taskItems().last()), IdOf(p.format->GetCurProfile()));
    EXPECT_EQ(TaskId(p.second), chosen);
    EXPECT_EQ(TaskId(p.first), before);
}

// Tab walks through the page's controls, in and out of the grids, and never
// changes the selected task; the focused control is drawn apart.
TEST(ExportPage, TabNeverChangesATask)
{
    Prepare();
    for (auto func : kFunctions) {
        SCOPED_TRACE(int(func));
        ShownPage p;
        ClickPageName(p.area, func);
        VProfileMgrPageWidget* page = p.area->GetCurrentPage();
        QAbstractItemView* chooser = Chooser(page);
        // The task takes the page's profile by a click, then only Tab is pressed.
        ClickCell(chooser, SelectedCell(chooser));
        const int id = TaskId(p.second);
        const QModelIndex cell = SelectedCell(chooser);
        chooser->setFocus(Qt::TabFocusReason);
        QSet<QWidget*> visited;
        bool left = false;
        for (int i = 0; i < 25; ++i) {
            QWidget* focus = QApplication::focusWidget();
            ASSERT_NE(focus, nullptr);
            visited << focus;
            QTest::keyClick(focus, Qt::Key_Tab);
            left = left || QApplication::focusWidget() != chooser;
            EXPECT_EQ(TaskId(p.second), id) << "after Tab " << i + 1;
        }
        EXPECT_TRUE(left) << "Tab leaves the grid";
        EXPECT_GE(visited.size(), 3);
        EXPECT_EQ(SelectedCell(chooser), cell);
    }
}

// With the upload ticked, a profile of another service tells that it does
// not upload; a YouTube profile does not need to.
TEST(ExportPage, AProfileThatDoesNotUploadSaysSo)
{
    Prepare();
    ShownPage p;
    ClickPageName(p.area, VProfileMgrPageWidget::FUNC_ONLINE);
    auto* online = static_cast<VProfileOnlinePage*>(p.area->GetCurrentPage());
    auto* upload = online->youtubeSettingWidget()->findChild<QCheckBox*>("cbxUpload");
    auto* note = online->youtubeSettingWidget()->findChild<QLabel*>("lblNoUpload");
    ASSERT_TRUE(upload && note);
    if (!upload->isChecked())
        QTest::mouseClick(upload, Qt::LeftButton, {}, QPoint(5, upload->height() / 2));
    ASSERT_TRUE(upload->isChecked());
    QAbstractItemView* chooser = Chooser(online);
    for (int r = 0; r < chooser->model()->rowCount(); ++r) {
        const QModelIndex index = chooser->model()->index(r, 0);
        ClickCell(chooser, index);
        const QString name = QString::fromUtf8(online->GetCurProfile()->GetDesc()->GetName());
        SCOPED_TRACE(name.toStdString());
        EXPECT_EQ(note->isVisible(), !name.startsWith("YouTube"));
        if (!name.startsWith("YouTube")) {
            QTest::mouseClick(upload, Qt::LeftButton, {}, QPoint(5, upload->height() / 2));
            EXPECT_FALSE(note->isVisible()) << "unticked, there is nothing to tell";
            QTest::mouseClick(upload, Qt::LeftButton, {}, QPoint(5, upload->height() / 2));
        }
    }
}

// Every profile of the shipped catalogue can be reached by clicks: a cell of
// its page, and on the pages with a format list an entry of that list.
TEST(ExportPage, EveryShippedProfileIsReachableByClicks)
{
    Prepare();
    QSet<int> shipped;
    {
        QFile f(QCoreApplication::applicationDirPath() + "/all_profile.xml");
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(f.readAll());
        QRegularExpression link("<ProfileLnk ID=\"(\\d+)\"");
        for (auto m = link.globalMatch(text); m.hasNext();)
            shipped << m.next().captured(1).toInt();
    }
    ASSERT_GE(shipped.size(), 100);
    GuiTest::BoxWatcher boxes; // none may come up
    ShownPage p;
    QSet<int> reached;
    QSet<int> taskHad;
    for (auto func : kFunctions) {
        ClickPageName(p.area, func);
        VProfileMgrPageWidget* page = p.area->GetCurrentPage();
        QAbstractItemView* chooser = Chooser(page);
        QComboBox* list = page->findChild<QComboBox*>("cbxFormat");
        QAbstractItemModel* model = chooser->model();
        for (int r = 0; r < model->rowCount(); ++r)
            for (int c = 0; c < model->columnCount(); ++c) {
                const QModelIndex index = model->index(r, c);
                if (index.data(Qt::UserRole).toInt() <= 0)
                    continue; // a filler cell
                ClickCell(chooser, index);
                ASSERT_EQ(SelectedCell(chooser), index);
                for (int i = 0; i < (list ? list->count() : 1); ++i) {
                    if (list && list->currentIndex() != i) {
                        // Picked from the open list with the keyboard, as a user would.
                        list->setFocus();
                        QTest::keyClick(list, Qt::Key_Down);
                    }
                    const int before = boxes.texts.size();
                    reached << IdOf(page->GetCurProfile());
                    taskHad << TaskId(p.second);
                    EXPECT_EQ(boxes.texts.size(), before)
                        << IdOf(page->GetCurProfile()) << ": " << boxes.texts.join("; ").toStdString();
                }
            }
    }
    QList<int> missing;
    for (int id : shipped)
        if (!reached.contains(id))
            missing << id;
    std::sort(missing.begin(), missing.end());
    EXPECT_TRUE(missing.isEmpty()) << QStringList([&] {
                                          QStringList out;
                                          for (int id : missing)
                                              out << QString::number(id);
                                          return out;
                                      }())
                                          .join(", ")
                                          .toStdString();
    EXPECT_EQ(taskHad, reached) << "each profile reached was the task's";
}

namespace {

double Luminance(QRgb rgb)
{
    auto channel = [](int v) {
        const double c = v / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb)) + 0.0722 * channel(qBlue(rgb));
}

double Contrast(QRgb a, QRgb b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The contrast of the text drawn in a rectangle of a picture against the
// rectangle's background (its most common colour): that of the pixel that
// stands out most. Text drawn in the background's own colour gives 1.
double TextContrast(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000];
    QRgb background = 0;
    int most = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > most) {
            most = it.value();
            background = it.key();
        }
    double best = 1;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        best = std::max(best, Contrast(it.key(), background));
    return best;
}

// Where each piece of text of the page lies, named for the report.
QList<QPair<QString, QRect>> TextAreas(QWidget* page)
{
    QList<QPair<QString, QRect>> areas;
    auto add = [&](QWidget* w, QRect inner, const QString& what) {
        if (!w->isVisible())
            return;
        areas << qMakePair(what + " " + w->objectName(), QRect(w->mapTo(page, inner.topLeft()), inner.size()));
    };
    for (QComboBox* box : page->findChildren<QComboBox*>()) {
        if (box->currentText().isEmpty())
            continue;
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        add(box, box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box),
            "field");
    }
    for (QLineEdit* edit : page->findChildren<QLineEdit*>()) {
        if (edit->text().isEmpty() || qobject_cast<QComboBox*>(edit->parentWidget()))
            continue;
        add(edit, edit->rect().adjusted(2, 2, -2, -2), "field");
    }
    for (QListWidget* list : page->findChildren<QListWidget*>()) {
        for (int i = 0; i < list->count(); ++i) {
            const QRect item = list->visualItemRect(list->item(i)).intersected(list->viewport()->rect());
            if (!item.isEmpty() && list->isVisible())
                areas << qMakePair("item " + list->item(i)->text(),
                                   QRect(list->viewport()->mapTo(page, item.topLeft()), item.size()));
        }
    }
    for (VMOutputTaskItem* row : page->findChildren<VMOutputTaskItem*>())
        for (const char* name : {"lblNumericalOrder", "lblOutPutItemDuration"})
            if (auto* label = row->findChild<QLabel*>(name))
                add(label, label->rect(), "row");
    return areas;
}

} // namespace

// In the skin's own colours every text of the page stands out from its
// background by at least 4.5 to 1, in each language and on each page.
TEST(ExportPage, EveryTextIsReadableInTheSkin)
{
    Prepare();
    QFile css(QStringLiteral(FABLECUT_BIN_DIR "/skins/default/skin.css"));
    ASSERT_TRUE(css.open(QIODevice::ReadOnly));
    QString sheet = QString::fromUtf8(css.readAll());
    sheet.replace("%skinpath%", QStringLiteral(FABLECUT_BIN_DIR "/skins/default"), Qt::CaseInsensitive);
    qApp->setStyleSheet(sheet);
    QStringList unreadable;
    int measured = 0;
    for (const char* lang : {"en_US", "de_DE", "zh_CN"}) {
        QTranslator translator;
        if (QString(lang) != "en_US") {
            ASSERT_TRUE(translator.load(QStringLiteral(FABLECUT_BIN_DIR "/language/fablecut_") + lang + ".qm"));
        }
        QCoreApplication::installTranslator(&translator);
        {
            ShownPage p;
            p.list->addOutputTask();
            for (auto func : {VProfileMgrPageWidget::FUNC_FORMAT, VProfileMgrPageWidget::FUNC_DEVICE,
                              VProfileMgrPageWidget::FUNC_EDITOR, VProfileMgrPageWidget::FUNC_LOSSLESS,
                              VProfileMgrPageWidget::FUNC_ONLINE}) {
                p.area->swithPageByFuction(func);
                QTest::qWait(30);
                const QImage image = p.page->grab().toImage();
                for (const auto& area : TextAreas(p.page.get())) {
                    const double contrast = TextContrast(image, area.second);
                    ++measured;
                    if (contrast < 4.5)
                        unreadable << QString("%1 page %2: %3 %4")
                                          .arg(lang)
                                          .arg(int(func))
                                          .arg(area.first)
                                          .arg(contrast, 0, 'f', 2);
                }
            }
        }
        QCoreApplication::removeTranslator(&translator);
    }
    qApp->setStyleSheet(QString());
    EXPECT_GT(measured, 150) << "the texts of fields, page names and rows were found";
    EXPECT_TRUE(unreadable.isEmpty()) << unreadable.join("\n").toStdString();
}

// A damaged view settings file or profile library is kept aside and the
// user is told which, once the page is up; the close that follows writes a
// fresh file without touching the one kept aside.
TEST(ExportPage, DamagedProfileFilesAreToldAndKeptAside)
{
    Prepare();
    struct Case
    {
        const char* name;
        QByteArray text;
    } cases[] = {
        {"profile.cfg", "<?xml version=\"1.0\"?>\n<ProfileCfg><ProfileList ViewMode=\"2\" ShowMode=\"1\"/></Profile"},
        {"custom.xml", "<?xml version=\"1.0\"?>\n"},
        {"profile_config.xml", "<?xml version=\"1.0\"?>\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Home() + "/" + c.name;
        for (const QString& old : QDir(Home()).entryList({QString(c.name) + ".bad*"}, QDir::Files))
            QFile::remove(Home() + "/" + old);
        {
            // A good page first, so only the one damaged file differs.
            auto page = OpenPage();
        }
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(c.text);
        }
        GuiTest::BoxWatcher boxes;
        {
            auto page = OpenPage();
            for (int i = 0; i < 100 && boxes.texts.isEmpty(); ++i)
                QTest::qWait(20);
        }
        ASSERT_EQ(boxes.texts.size(), 1);
        EXPECT_TRUE(boxes.texts[0].contains(path)) << boxes.texts[0].toStdString();
        const QStringList aside = QDir(Home()).entryList({QString(c.name) + ".bad*"}, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        QFile kept(Home() + "/" + aside[0]);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.text);
        QFile::remove(Home() + "/" + aside[0]);
    }
}
