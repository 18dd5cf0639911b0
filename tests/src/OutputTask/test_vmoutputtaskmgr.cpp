// The output task list on real widgets: the header with the timeline's first
// clip, names and ordinals of added rows, the current row, check boxes and
// the select-all box, renaming, and a language change before an add.

#include "../MainPages/GuiTestApp.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "ProjectData/cmediasourceitem.h"
#include "OutputTask/cmmoutputtask.h"
#include "ProjectData/ctimelineitem.h"
#include "OutputTask/vmoutputtaskitem.h"
#include "OutputTask/vmoutputtaskmgr.h"
#include "OutputTask/vmoutputtasknameedt.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace {

void Prepare()
{
    static bool once = [] {
        GuiTest::App("test_vmoutputtaskmgr");
        CAppFixedInfo::GetInstance()->ReadInfos();
        CAppVariableInfo::GetInstance()->ReadInfos();
        CAppVariableInfo::GetInstance()->InitInfos();
        return true;
    }();
    (void)once;
}

// The timeline places a copy of the clip; the test's own goes at once.
bool AppendClip(CTimelineItem& timeline, const QString& name, QColor colour = Qt::red)
{
    auto* clip = new Fablecut::CMediaSourceItem;
    clip->setName(name);
    QImage thumb(160, 90, QImage::Format_RGB32);
    thumb.fill(colour);
    clip->SetThumbnailPic(thumb);
    const bool placed = timeline.AppendItem(clip);
    clip->Free();
    return placed;
}

QString HeaderName(VMOutPutTaskMgr& list)
{
    return list.findChild<QLabel*>("lblOuPuMgrName")->text();
}

// Answers the program's message boxes as the user would: records the
// question, ticks "Do not show this message again." when asked to, and
// clicks the given button.
class Answerer
{
public:
    explicit Answerer(QDialogButtonBox::StandardButton answer, bool dontAskAgain = false)
    {
        m_timer.setInterval(20);
        QObject::connect(&m_timer, &QTimer::timeout, [this, answer, dontAskAgain] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (!w->isVisible() || !w->inherits("VRichMessageBox"))
                    continue;
                auto* caption = w->findChild<QLabel*>("lblCaption");
                texts << (caption ? caption->text() : QString());
                if (auto* box = w->findChild<QCheckBox*>(); box && box->isVisibleTo(w)) {
                    checkBoxTexts << box->text();
                    if (dontAskAgain)
                        box->setChecked(true);
                }
                w->findChild<QDialogButtonBox*>()->button(answer)->click();
            }
        });
        m_timer.start();
    }
    QStringList texts;
    QStringList checkBoxTexts;

private:
    QTimer m_timer;
};

void AskAgain()
{
    CAppVariableInfo::GetInstance()->SetInfoValue("DeleteOutputTaskOption", true);
}

QStringList Ordinals(VMOutPutTaskMgr& list)
{
    QStringList out;
    for (VMOutputTaskItem* row : list.taskItems())
        out << row->findChild<QLabel*>("lblNumericalOrder")->text();
    return out;
}

} // namespace

TEST(OutputTaskList, FormKeepsEveryObjectName)
{
    Prepare();
    VMOutPutTaskMgr list;
    for (const char* name : {"frmOutputTaskMgr", "ckbxOutPutTaskLst", "lblOutPutMgrPic", "lblOuPuMgrName",
                             "btnAddOutPutTask", "btnStartCheckedTaskLst", "btnDelOutPutTask", "scrollArea",
                             "scrollAreaWidgetContents", "frmOutputTaskItemList"})
        EXPECT_NE(list.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(list.objectName(), "VMOutPutTaskMgr");
    EXPECT_EQ(list.findChild<QFrame*>("frmOutputTaskMgr")->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    EXPECT_FALSE(list.findChild<QToolButton*>("btnDelOutPutTask")->isEnabled());
    EXPECT_FALSE(list.findChild<QToolButton*>("btnStartCheckedTaskLst")->isEnabled());
}

TEST(OutputTaskList, HeaderFollowsTheFirstClip)
{
    Prepare();
    VMOutPutTaskMgr list;
    EXPECT_EQ(HeaderName(list), "No media source for conversion");
    EXPECT_FALSE(list.findChild<QToolButton*>("btnAddOutPutTask")->isEnabled());
    EXPECT_FALSE(list.findChild<QCheckBox*>("ckbxOutPutTaskLst")->isEnabled());

    CTimelineItem timeline;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    EXPECT_EQ(HeaderName(list), "No media source for conversion");

    ASSERT_TRUE(AppendClip(timeline, "Beach", Qt::blue));
    ASSERT_TRUE(AppendClip(timeline, "Second"));
    list.updateOutputMgrWidget();
    EXPECT_EQ(HeaderName(list), "Beach");
    EXPECT_TRUE(list.findChild<QToolButton*>("btnAddOutPutTask")->isEnabled());
    const QPixmap* pic = list.findChild<QLabel*>("lblOutPutMgrPic")->pixmap();
    ASSERT_NE(pic, nullptr);
    EXPECT_EQ(pic->size(), QSize(48, 32));
    EXPECT_EQ(pic->toImage().pixelColor(10, 10), QColor(Qt::blue));
}

TEST(OutputTaskList, AddedRowsAreNamedNumberedAndCurrent)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Trip 2012"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();

    auto* add = list.findChild<QToolButton*>("btnAddOutPutTask");
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(add, Qt::LeftButton);
    const QList<VMOutputTaskItem*> rows = list.taskItems();
    ASSERT_EQ(rows.size(), 3);
    const char* names[] = {"Trip 2012", "Trip 2012_201", "Trip 2012_201_20"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(rows[i]->getMOutputTask()->GetTaskDstName().toStdString(), names[i]);
        EXPECT_EQ(rows[i]->findChild<QLabel*>("lblNumericalOrder")->text(), QString::number(i + 1));
    }
    EXPECT_EQ(list.selectedTaskItem(), rows[2]);
    EXPECT_TRUE(rows[2]->isChecked());
    EXPECT_FALSE(rows[0]->isChecked());
    EXPECT_EQ(list.taskNameRegister().size(), 3);
    EXPECT_EQ(list.runningTaskCount(), 0);
    EXPECT_EQ(list.getOutputTaskCount(), 0) << "tasks never started leave nothing for the quit question";

    // Clicking a row makes it current through the button group.
    QTest::mouseClick(rows[0], Qt::LeftButton, {}, QPoint(rows[0]->width() - 5, 5));
    EXPECT_EQ(list.selectedTaskItem(), rows[0]);
    EXPECT_TRUE(rows[0]->isChecked());
    EXPECT_FALSE(rows[2]->isChecked());

    // Deleting the second renumbers the rest.
    list.removeTaskItem(rows[1]);
    ASSERT_EQ(list.taskItems().size(), 2);
    EXPECT_EQ(list.taskItems()[1]->findChild<QLabel*>("lblNumericalOrder")->text(), "2");
    EXPECT_FALSE(list.taskNameRegister().contains("Trip 2012_201"));
}

TEST(OutputTaskList, ClipNameWithSlashBecomesAFileName)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "AC/DC"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    EXPECT_EQ(list.addOutputTask()->getMOutputTask()->GetTaskDstName().toStdString(), "AC_DC");
}

TEST(OutputTaskList, CheckBoxesAndSelectAll)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Clip"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    VMOutputTaskItem* a = list.addOutputTask();
    VMOutputTaskItem* b = list.addOutputTask();
    auto* all = list.findChild<QCheckBox*>("ckbxOutPutTaskLst");
    auto* del = list.findChild<QToolButton*>("btnDelOutPutTask");
    auto* start = list.findChild<QToolButton*>("btnStartCheckedTaskLst");

    a->setOutputTaskItemChecked(true);
    EXPECT_TRUE(del->isEnabled());
    EXPECT_TRUE(start->isEnabled());
    EXPECT_FALSE(all->isChecked());
    b->setOutputTaskItemChecked(true);
    EXPECT_TRUE(all->isChecked());
    EXPECT_EQ(list.checkedTaskItems(), (QList<VMOutputTaskItem*>{a, b}));

    b->setOutputTaskItemChecked(false);
    EXPECT_FALSE(all->isChecked());
    EXPECT_TRUE(a->isOutputTaskItemChecked()) << "unticking one row leaves the others";

    all->setChecked(true);
    EXPECT_TRUE(a->isOutputTaskItemChecked());
    EXPECT_TRUE(b->isOutputTaskItemChecked());
    // A new row unticks the select-all box silently: the others stay ticked.
    VMOutputTaskItem* c = list.addOutputTask();
    EXPECT_FALSE(all->isChecked());
    EXPECT_TRUE(a->isOutputTaskItemChecked());
    EXPECT_FALSE(c->isOutputTaskItemChecked());

    all->setChecked(true);
    all->setChecked(false);
    for (VMOutputTaskItem* row : list.taskItems())
        EXPECT_FALSE(row->isOutputTaskItemChecked());
    EXPECT_FALSE(del->isEnabled());
    EXPECT_FALSE(start->isEnabled());
}

TEST(OutputTaskList, RenameKeepsNamesApart)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Clip"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    VMOutputTaskItem* a = list.addOutputTask();
    VMOutputTaskItem* b = list.addOutputTask();
    ASSERT_EQ(b->getMOutputTask()->GetTaskDstName(), "Clip1");

    auto* edit = b->findChild<VMOutputTaskNameEdt*>("ledtOutputItemName");
    b->renameOutputTask();
    edit->setText("Clip");
    emit edit->signal_reNameTaskItemFinished();
    EXPECT_EQ(b->getMOutputTask()->GetTaskDstName().toStdString(), "Clip_1");

    a->renameOutputTask();
    a->findChild<VMOutputTaskNameEdt*>("ledtOutputItemName")->setText("Clip");
    emit a->findChild<VMOutputTaskNameEdt*>("ledtOutputItemName")->signal_reNameTaskItemFinished();
    EXPECT_EQ(a->getMOutputTask()->GetTaskDstName().toStdString(), "Clip");
    QStringList reg = list.taskNameRegister();
    reg.sort();
    EXPECT_EQ(reg, (QStringList{"Clip", "Clip_1"}));
}

TEST(OutputTaskList, LanguageChangeThenAddKeepsTheClipsName)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Harbour"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&list, &change);
    EXPECT_EQ(HeaderName(list), "Harbour");
    EXPECT_NE(list.findChild<QLabel*>("lblOutPutMgrPic")->pixmap(), nullptr);
    EXPECT_EQ(list.addOutputTask()->getMOutputTask()->GetTaskDstName().toStdString(), "Harbour");
}

TEST(OutputTaskList, DeletingAsksAndPicksTheNextRow)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Clip"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    AskAgain();
    for (int i = 0; i < 3; ++i)
        list.addOutputTask();
    VMOutputTaskItem* third = list.taskItems()[2];
    list.selectTaskItem(list.taskItems()[1]);

    {
        Answerer no(QDialogButtonBox::No);
        list.slot_delteOutputTask();
        EXPECT_EQ(no.texts, QStringList{"Are you sure you want to delete conversion Output task?"});
        EXPECT_EQ(no.checkBoxTexts, QStringList{"Do not show this message again."});
    }
    EXPECT_EQ(list.taskItems().size(), 3);

    {
        Answerer yes(QDialogButtonBox::Yes);
        list.slot_delteOutputTask();
        EXPECT_EQ(yes.texts.size(), 1);
    }
    EXPECT_EQ(Ordinals(list), (QStringList{"1", "2"}));
    EXPECT_EQ(list.selectedTaskItem(), third);
    EXPECT_TRUE(third->isChecked());

    // Once "Do not show this message again." was ticked, no question comes.
    {
        Answerer yes(QDialogButtonBox::Yes, true);
        list.slot_delteOutputTask();
        EXPECT_EQ(yes.texts.size(), 1);
    }
    ASSERT_EQ(list.taskItems().size(), 1);
    {
        Answerer watch(QDialogButtonBox::No);
        list.slot_delteOutputTask();
        EXPECT_TRUE(watch.texts.isEmpty());
    }
    EXPECT_TRUE(list.taskItems().isEmpty());
    EXPECT_TRUE(list.taskNameRegister().isEmpty());
    AskAgain();
}

TEST(OutputTaskList, DeletingCheckedRows)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Clip"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    AskAgain();
    for (int i = 0; i < 3; ++i)
        list.addOutputTask();
    VMOutputTaskItem* middle = list.taskItems()[1];
    list.taskItems()[0]->setOutputTaskItemChecked(true);
    list.taskItems()[2]->setOutputTaskItemChecked(true);
    auto* del = list.findChild<QToolButton*>("btnDelOutPutTask");
    {
        Answerer no(QDialogButtonBox::No);
        QTest::mouseClick(del, Qt::LeftButton);
        EXPECT_EQ(no.texts.size(), 1);
    }
    EXPECT_EQ(list.taskItems().size(), 3);
    {
        Answerer yes(QDialogButtonBox::Yes);
        QTest::mouseClick(del, Qt::LeftButton);
    }
    ASSERT_EQ(list.taskItems(), QList<VMOutputTaskItem*>{middle});
    EXPECT_EQ(Ordinals(list), QStringList{"1"});
    EXPECT_EQ(list.selectedTaskItem(), middle);
    EXPECT_FALSE(del->isEnabled());
    EXPECT_FALSE(list.findChild<QCheckBox*>("ckbxOutPutTaskLst")->isChecked());
}

TEST(OutputTaskList, RightClickMakesTheRowCurrentAndBackspaceInTheEditorDeletesNothing)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Clip"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    list.show();
    list.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    VMOutputTaskItem* a = list.addOutputTask();
    VMOutputTaskItem* b = list.addOutputTask();
    ASSERT_EQ(list.selectedTaskItem(), b);

    list.slot_showRightMenu(a, list.mapToGlobal(QPoint(5, 5)));
    EXPECT_EQ(list.selectedTaskItem(), a);
    auto* menu = list.findChild<QMenu*>();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions()[0]->text(), "&Delete");
    EXPECT_EQ(menu->actions()[1]->text(), "&Rename");
    EXPECT_EQ(menu->actions()[2]->text(), "&Find Target");
    EXPECT_TRUE(menu->actions()[1]->isEnabled());
    menu->hide();

    AskAgain();
    Answerer yes(QDialogButtonBox::Yes);
    list.slot_renameOutputTask();
    auto* edit = a->findChild<QLineEdit*>("ledtOutputItemName");
    edit->setFocus();
    QApplication::setActiveWindow(&list);
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::qWait(100);
    EXPECT_EQ(list.taskItems().size(), 2);
    EXPECT_TRUE(yes.texts.isEmpty());
}

TEST(OutputTaskList, GermanAndChineseTexts)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Harbour"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    struct Case
    {
        const char* qm;
        const char* del;
        const char* rename;
    };
    const Case cases[] = {{"fablecut_de_DE.qm", "&Löschen", "&Umbenennen"},
                          {"fablecut_zh_CN.qm", "删除(&D)", "重命名(&R)"}};
    for (const Case& c : cases) {
        QTranslator translator;
        ASSERT_TRUE(translator.load(QStringLiteral(FABLECUT_BIN_DIR "/language/") + c.qm)) << c.qm;
        QCoreApplication::installTranslator(&translator);
        QTest::qWait(10);
        auto* menu = list.findChild<QMenu*>();
        EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8(c.del));
        EXPECT_EQ(menu->actions()[1]->text(), QString::fromUtf8(c.rename));
        EXPECT_EQ(HeaderName(list), "Harbour") << "the header is filled again";
        QCoreApplication::removeTranslator(&translator);
    }
    VMOutPutTaskMgr empty;
    EXPECT_EQ(HeaderName(empty), "No media source for conversion");
}

TEST(OutputTaskList, ClickOnAnEmptyPlaceLeavesNoRowCurrent)
{
    Prepare();
    CTimelineItem timeline;
    ASSERT_TRUE(AppendClip(timeline, "Clip"));
    VMOutPutTaskMgr list;
    list.setTimeLineItem(&timeline);
    list.updateOutputMgrWidget();
    list.resize(640, 390);
    list.show();
    VMOutputTaskItem* row = list.addOutputTask();
    ASSERT_EQ(list.selectedTaskItem(), row);
    auto* frame = list.findChild<QFrame*>("frmOutputTaskItemList");
    QTest::mouseClick(frame, Qt::LeftButton, {}, QPoint(frame->width() / 2, frame->height() - 3));
    EXPECT_EQ(list.selectedTaskItem(), nullptr);
    EXPECT_FALSE(row->isChecked());
    // Deleting now finds no current row: nothing is asked or removed.
    Answerer watch(QDialogButtonBox::Yes);
    list.slot_delteOutputTask();
    EXPECT_TRUE(watch.texts.isEmpty());
    EXPECT_EQ(list.taskItems().size(), 1);
}
