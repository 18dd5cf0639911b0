#include "vresourcelib.h"

#include "ui_vresourcelib.h"

#include "AppConfigure/CAppFixedInfo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "dialogs/VRichMessageBox.h"
#include "ProjectData/csourcedata.h"
#include "ProjectData/isourcedataitem.h"
#include "DevUtils/sys_pathutils.h"
#include "vdetaildisplayview.h"
#include "vicondisplayview.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QTimer>

#include <sys/stat.h>

namespace {

const int kCheckIntervalMs = 100;
const qint64 kCheckBudgetNs = 5 * 1000 * 1000;

QVariant VideoFolder()
{
    return CSysPathsEnumerater::EnumSystemPath(SYSPATH_USER_MOVIES);
}

} // namespace

VResourceLib::VResourceLib(QWidget* parent)
    : QFrame(parent), m_ui(new Ui::VResourceLib), m_fixedInfo(CAppFixedInfo::GetInstance()),
      m_variableInfo(CAppVariableInfo::GetInstance())
{
    m_ui->setupUi(this);
    initMenus();
    ReTranslate();
    m_actDelete->setShortcut(QKeySequence::Delete);
    m_actSelectAll->setShortcut(QKeySequence::SelectAll);
    for (int i = 0; i < 3; ++i)
        m_ui->cmbResourceFilter->addItem(QString(), i);
    m_actSortName->setChecked(true);
    m_actSmall->setChecked(true);

    VIconDisplayView* icons = iconView();
    VDetailDisplayView* details = detailView();
    connect(icons, &VIconDisplayView::signal_MediasLib_DelSelected, this,
            &VResourceLib::slot_transpontMediasLib_DelSelected);
    connect(icons, &VIconDisplayView::signal_MediasLib_dragTaskList, this,
            &VResourceLib::slot_MediasLib_ImportDragTaskList);
    connect(icons, &VIconDisplayView::signal_MediasLib_itemPlay, this, &VResourceLib::signal_MediasLib_itemPlay);
    connect(details, &VDetailDisplayView::signal_MediasDetails_DeleteSelectedItem, this,
            &VResourceLib::slot_transpontMediasLib_DelSelected);
    connect(details, &VDetailDisplayView::signal_MediasDetails_RenameSelectedItem, this,
            &VResourceLib::signal_MeidasSource_RenameFinished);
    connect(details, &VDetailDisplayView::signal_MediasLib_dragTaskList, this,
            &VResourceLib::slot_MediasLib_ImportDragTaskList);
    connect(details, &VDetailDisplayView::signal_MediasLib_itemPlay, this, &VResourceLib::slot_playCurrentItem);
    connect(details, &VDetailDisplayView::signal_FMDSortTypeChanged, this, &VResourceLib::slot_FMDSortTypeChanged);
    connect(this, &VResourceLib::signal_removeThoseDonotExistMedias, details,
            &VDetailDisplayView::slot_removeThoseDonotExistMedias);
    connect(this, &VResourceLib::signal_removeThoseDonotExistMedias, icons,
            &VIconDisplayView::slot_removeThoseDonotExistMedias);
    connect(this, &VResourceLib::signal_missingFilesChanged, details, &VDetailDisplayView::slot_setMissingFiles);
    connect(this, &VResourceLib::signal_missingFilesChanged, icons, &VIconDisplayView::slot_setMissingFiles);

    m_ui->cmbResourceFilter->setVisible(false);
    ReTranslate();

    m_checkTimer = new QTimer(this);
    m_checkTimer->setInterval(kCheckIntervalMs);
    connect(m_checkTimer, &QTimer::timeout, this, &VResourceLib::slot_checkSourceDataITemExistTimeOut);
}

VResourceLib::~VResourceLib()
{
    m_checkTimer->stop();
    delete m_ui;
}

VIconDisplayView* VResourceLib::iconView() const
{
    return m_ui->VIconDisplayWidget;
}

VDetailDisplayView* VResourceLib::detailView() const
{
    return m_ui->VDetailedDisplayWidget;
}

QList<QAction*> VResourceLib::sortActions() const
{
    return {m_actSortName, m_actSortDuration, m_actSortSize, m_actSortDate, m_actSortType};
}

void VResourceLib::initMenus()
{
    m_libMenu = new QMenu(this);
    m_sortMenu = new QMenu(this);
    m_importMenu = new QMenu(this);
    m_sortGroup = new QActionGroup(this);
    m_viewGroup = new QActionGroup(this);
    auto make = [this](QActionGroup* group, void (VResourceLib::*slot)()) {
        auto* action = new QAction(this);
        if (group) {
            action->setCheckable(true);
            group->addAction(action);
        }
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_actSortName = make(m_sortGroup, &VResourceLib::slot_MediasLib_SortByName);
    m_actSortDuration = make(m_sortGroup, &VResourceLib::slot_MediasLib_SortByDuration);
    m_actSortSize = make(m_sortGroup, &VResourceLib::slot_MediasLib_SortBySize);
    m_actSortDate = make(m_sortGroup, &VResourceLib::slot_MediasLib_SortByDate);
    m_actSortType = make(m_sortGroup, &VResourceLib::slot_MediasLib_SortByType);
    m_actSelectAll = make(nullptr, &VResourceLib::slot_MediasLib_SelectAll);
    m_actDelete = make(nullptr, &VResourceLib::slot_MediasLib_DelSelected);
    m_actLarge = make(m_viewGroup, &VResourceLib::slot_MediasLib_ViewByLarge);
    m_actSmall = make(m_viewGroup, &VResourceLib::slot_MediasLib_ViewBySmall);
    m_actDetails = make(m_viewGroup, &VResourceLib::slot_MediasLib_ViewByDetails);
    m_actImportLib = make(nullptr, &VResourceLib::slot_MediasLib_importLibrary);
    m_actExportLib = make(nullptr, &VResourceLib::slot_MediasLib_exportLibrary);
    m_actImportFiles = make(nullptr, &VResourceLib::slot_importSelectedMediaSource);
    m_actImportFolder = make(nullptr, &VResourceLib::slot_MediasLib_importFolder);

    m_libMenu->addAction(m_actImportLib);
    m_libMenu->addAction(m_actExportLib);
    m_libMenu->addSeparator();
    m_sortMenu->addActions(sortActions());
    m_libMenu->addMenu(m_sortMenu);
    m_libMenu->addSeparator();
    m_libMenu->addAction(m_actSelectAll);
    m_libMenu->addAction(m_actDelete);
    m_libMenu->addSeparator();
    m_libMenu->addAction(m_actLarge);
    m_libMenu->addAction(m_actSmall);
    m_libMenu->addAction(m_actDetails);
    m_importMenu->addAction(m_actImportFiles);
    m_importMenu->addAction(m_actImportFolder);
    for (QMenu* menu : {m_libMenu, m_sortMenu, m_importMenu})
        menu->setWindowOpacity(0.75);
}

void VResourceLib::ReTranslate()
{
    m_ui->retranslateUi(this);
    m_actSortName->setText(tr("&Name", "名称"));
    m_actSortDuration->setText(tr("&Duration", "持续时间"));
    m_actSortSize->setText(tr("&File Size", "文件大小"));
    m_actSortDate->setText(tr("D&ate", "日期"));
    m_actSortType->setText(tr("&Type", "类型"));
    m_actSelectAll->setText(tr("Select &All", "全选"));
    m_actDelete->setText(tr("&Delete Selected", "删除所选内容"));
    m_actLarge->setText(tr("&Large Icons", "大图标"));
    m_actSmall->setText(tr("S&mall Icons", "小图标"));
    m_actDetails->setText(tr("De&tails", "详细信息"));
    m_actImportLib->setText(tr("&Import Media Library", "导入资源库"));
    m_actExportLib->setText(tr("&Export Media Library", "导出资源库"));
    m_actImportFiles->setText(tr("Import Media &Files", "导入媒体文件"));
    m_actImportFolder->setText(tr("Import a Media F&older", "导入媒体文件夹"));
    m_sortMenu->setTitle(tr("&Sort By", "排序方式"));
    const QString filters[3] = {tr("Display All Medias", "全部媒体"), tr("Display Video", "视频"),
                                tr("Display Audio", "音频")};
    for (int i = 0; i < 3; ++i) {
        const int index = m_ui->cmbResourceFilter->findData(i);
        if (index >= 0)
            m_ui->cmbResourceFilter->setItemText(index, filters[i]);
    }
}

bool VResourceLib::event(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ReTranslate();
    return QFrame::event(event);
}

void VResourceLib::setSourceData(Fablecut::CSourceData* data)
{
    m_data = data;
    iconView()->setSourData(data);
    detailView()->setSourceData(data);
    // The grid shows from the start the sort the menu's check mark shows.
    iconView()->setFMD_SortModeType(checkedSortKey(), Qt::AscendingOrder);
    m_checkTimer->start();
}

void VResourceLib::updateLibraryMenuState()
{
    m_sortGroup->setEnabled(true);
    m_actDelete->setEnabled(true);
    m_actSelectAll->setEnabled(true);
    const bool icons = m_ui->stackedWidget->currentIndex() == 0;
    const int n = icons ? iconView()->getTableItemsCount() : detailView()->getModelsCount();
    const int s = icons ? iconView()->selectedCount() : detailView()->getSelectedCount();
    if (n == 0 || s == 0) {
        m_actDelete->setEnabled(false);
        if (n < 2)
            m_sortGroup->setEnabled(false);
    }
    if (n == s)
        m_actSelectAll->setEnabled(false);
}

void VResourceLib::on_btnResourceLibMenu_clicked()
{
    QToolButton* button = m_ui->btnResourceLibMenu;
    const QPoint corner =
        mapToGlobal(m_ui->frmResLibTool->mapTo(this, QPoint(button->x() + button->width(), button->y())));
    updateLibraryMenuState();
    m_libMenu->popup(corner);
}

void VResourceLib::on_btnImportMediaRes_clicked()
{
    QToolButton* button = m_ui->btnImportMediaRes;
    m_importMenu->popup(
        mapToGlobal(m_ui->frmResLibTool->mapTo(this, QPoint(button->x() + button->width(), button->y()))));
}

void VResourceLib::on_btnImportCamRes_clicked()
{
    emit signal_btnSelectCamcorder_clicked();
}

void VResourceLib::slot_checkSourceDataITemExistTimeOut()
{
    if (!m_data)
        return;
    const std::vector<Fablecut::ISourceDataItem*> items = m_data->GetSourceDataItems();
    const size_t count = items.size();
    const QSet<QString> before = m_missing;
    // Items that left the library leave the list with them.
    if (!m_missing.isEmpty()) {
        QSet<QString> present;
        for (Fablecut::ISourceDataItem* item : items)
            present.insert(item->GetSrcFileFullPath());
        m_missing.intersect(present);
    }
    // A tick looks at as many files as fit in its time budget, going on
    // where the last one stopped: a small library is checked whole on every
    // tick, a large one within a few ticks, and the GUI never stalls.
    QElapsedTimer spent;
    spent.start();
    size_t checked = 0;
    size_t index = m_checkCursor < count ? m_checkCursor : 0;
    while (checked < count) {
        const QString path = items[index]->GetSrcFileFullPath();
        struct stat info;
        // A vanished file (a disk unplugged, a folder renamed) keeps its item
        // and every clip made of it; they are shown missing until it is back.
        if (::stat(QFile::encodeName(path).constData(), &info) != 0)
            m_missing.insert(path);
        else
            m_missing.remove(path);
        ++checked;
        index = (index + 1) % count;
        if ((checked & 63) == 0 && spent.nsecsElapsed() > kCheckBudgetNs)
            break;
    }
    m_checkCursor = index;
    if (m_missing != before)
        emit signal_missingFilesChanged(missingFiles());
}

QStringList VResourceLib::missingFiles() const
{
    QStringList paths;
    for (const QString& path : m_missing)
        paths << QDir::toNativeSeparators(path);
    paths.sort();
    return paths;
}

void VResourceLib::slot_transpontMediasLib_DelSelected(QStringList paths)
{
    if (!m_data)
        return;
    QList<Fablecut::ISourceDataItem*> items;
    for (const QString& path : paths) {
        if (Fablecut::ISourceDataItem* item = m_data->GetSourceDataItemByFullPath(path))
            items.append(item);
    }
    if (!items.isEmpty())
        emit signal_MediasLib_DelSelected(items);
}

void VResourceLib::slot_MediasLib_DelSelected()
{
    if (m_ui->stackedWidget->currentIndex() == 0)
        iconView()->slot_removeSelectedItem();
    else
        detailView()->DelSelected_MediasDetailsItem();
}

void VResourceLib::slot_MediasLib_SelectAll()
{
    if (m_ui->stackedWidget->currentIndex() == 0)
        iconView()->slot_mediasLibSelectedAll();
    else
        detailView()->selectAll_MediasDetailsItem();
}

void VResourceLib::sortShownView(FMD_SortModeType key)
{
    if (m_ui->stackedWidget->currentIndex() == 0)
        iconView()->setFMD_SortModeType(key, Qt::AscendingOrder);
    else
        detailView()->setFMD_SortModeType(key, Qt::AscendingOrder);
}

FMD_SortModeType VResourceLib::checkedSortKey() const
{
    // The check mark is the sort the user last chose, from the menu or by a
    // header of the details view: the view shown next takes that one.
    const QList<QAction*> actions = sortActions();
    for (int i = 0; i < actions.size(); ++i)
        if (actions[i]->isChecked())
            return static_cast<FMD_SortModeType>(i + 1);
    return FMD_SortByName;
}

void VResourceLib::slot_MediasLib_SortByName()
{
    sortShownView(FMD_SortByName);
}
void VResourceLib::slot_MediasLib_SortByDuration()
{
    sortShownView(FMD_SortByDuration);
}
void VResourceLib::slot_MediasLib_SortBySize()
{
    sortShownView(FMD_SortBySize);
}
void VResourceLib::slot_MediasLib_SortByDate()
{
    sortShownView(FMD_SortByDate);
}
void VResourceLib::slot_MediasLib_SortByType()
{
    sortShownView(FMD_SortByType);
}

void VResourceLib::slot_FMDSortTypeChanged(int column, Qt::SortOrder)
{
    const QList<QAction*> actions = sortActions();
    if (column >= 0 && column < actions.size())
        actions[column]->setChecked(true);
}

void VResourceLib::on_cmbResourceFilter_currentIndexChanged(int index)
{
    if (index < 0 || index > 2)
        return;
    const auto type = static_cast<MeDiasSourceDisplayType>(index);
    if (m_ui->stackedWidget->currentIndex() == 0) {
        iconView()->setDataType(type);
    } else {
        detailView()->setDataType(type);
        detailView()->refreshTheModel();
    }
}

void VResourceLib::mediasLib_DisplayAllMedias()
{
    on_cmbResourceFilter_currentIndexChanged(0);
}
void VResourceLib::mediasLib_DisplayOnlyVideo()
{
    on_cmbResourceFilter_currentIndexChanged(1);
}
void VResourceLib::mediasLib_DisplayOnlyAudieo()
{
    on_cmbResourceFilter_currentIndexChanged(2);
}

void VResourceLib::slot_MediasLib_ViewByDetails()
{
    detailView()->refreshTheModel();
    if (m_ui->stackedWidget->currentIndex() == 1)
        return;
    const MeDiasSourceDisplayType filter = iconView()->getDataType();
    const FMD_SortModeType key = checkedSortKey();
    m_ui->cmbResourceFilter->blockSignals(true);
    m_ui->cmbResourceFilter->setCurrentIndex(filter);
    m_ui->cmbResourceFilter->blockSignals(false);
    detailView()->setDataType(filter);
    detailView()->refreshTheModel();
    m_ui->stackedWidget->setCurrentIndex(1);
    detailView()->setFMD_SortModeType(key, Qt::AscendingOrder);
}

void VResourceLib::switchToIcons(int viewType)
{
    if (m_ui->stackedWidget->currentIndex() != 0) {
        const MeDiasSourceDisplayType filter = detailView()->getDataType();
        const FMD_SortModeType key = checkedSortKey();
        iconView()->setDataType(filter);
        m_ui->cmbResourceFilter->blockSignals(true);
        m_ui->cmbResourceFilter->setCurrentIndex(filter);
        m_ui->cmbResourceFilter->blockSignals(false);
        m_ui->stackedWidget->setCurrentIndex(0);
        iconView()->setFMD_SortModeType(key, Qt::AscendingOrder);
    }
    iconView()->setCurItemViewType(static_cast<MediaItemViewType>(viewType));
    iconView()->afterChangeViewSize();
}

void VResourceLib::slot_MediasLib_ViewByLarge()
{
    switchToIcons(MediaItemViewLarge);
}
void VResourceLib::slot_MediasLib_ViewBySmall()
{
    switchToIcons(MediaItemViewSmall);
}

void VResourceLib::refreshLibView()
{
    if (m_ui->stackedWidget->currentIndex() == 1)
        slot_MediasLib_ViewByDetails();
    else if (iconView()->getCurItemViewType() == MediaItemViewLarge)
        slot_MediasLib_ViewByLarge();
    else
        slot_MediasLib_ViewBySmall();
}

void VResourceLib::slot_removeThoseDonotExistMedias(QString prefix)
{
    emit signal_removeThoseDonotExistMedias(prefix);
}

void VResourceLib::slot_playCurrentItem(QString path)
{
    emit signal_MediasLib_itemPlay(m_data ? m_data->GetSourceDataItemByFullPath(path) : nullptr);
}

void VResourceLib::slot_importSourceLibFinished()
{
    refreshLibView();
}

// ---- Import gathering ----

void VResourceLib::slot_MediasLib_ImportSourceList(QStringList list)
{
    emit signal_MediasLib_importSelected(list);
    m_pending.clear();
}

void VResourceLib::slot_importSelectedMediaSource()
{
    QString start = m_variableInfo->GetInfoValue("ImportFilePath", VideoFolder()).toString();
    const QString filter = tr("Media Files (%1);;All Files (*)")
                               .arg(m_variableInfo->GetInfoValue("DirImportNameFilter", QVariant()).toString());
    const QStringList chosen = QFileDialog::getOpenFileNames(this, tr("Open"), start, filter);
    if (chosen.isEmpty())
        return;
    QStringList list;
    for (int i = 0; i < chosen.size(); ++i) {
        if (i == 0)
            start = QDir::toNativeSeparators(QFileInfo(chosen[i]).absoluteFilePath());
        list.append(QDir::toNativeSeparators(chosen[i]));
    }
    m_variableInfo->SetInfoValue("ImportFilePath", start);
    if (!list.isEmpty())
        slot_MediasLib_ImportSourceList(list);
}

void VResourceLib::slot_MediasLib_importFolder()
{
    const QString start = m_variableInfo->GetInfoValue("ImportFilePath", VideoFolder()).toString();
    QString folder = QFileDialog::getExistingDirectory(this, tr("Open"), start, QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    folder = QDir::toNativeSeparators(folder);
    ImportMediasUseFolder(folder);
    if (folder != start)
        m_variableInfo->SetInfoValue("ImportFilePath", folder);
}

bool VResourceLib::askIncludeSubdirs()
{
    return ExecVarAttrConfirmMessageBox("ImportSubDirResult", "ImportSubDirOption",
                                        tr("If import a folder within the media file?"), QDialogButtonBox::Yes,
                                        QDialogButtonBox::No, QMessageBox::Question, QDialogButtonBox::No);
}

void VResourceLib::ImportMediasUseFolder(QString folder)
{
    m_pending.clear();
    if (checkHasSubdirectory(folder)) {
        if (askIncludeSubdirs())
            getMediasIncludeSubdir(folder);
        else
            getMediasIgnoreSubdir(folder);
    } else {
        getMediasIgnoreSubdir(folder);
    }
    if (!m_pending.isEmpty())
        slot_MediasLib_ImportSourceList(m_pending);
}

bool VResourceLib::checkHasSubdirectory(const QString& folder)
{
    QDir dir(folder);
    if (!dir.exists())
        return false;
    return !dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot).isEmpty();
}

void VResourceLib::getMediasIgnoreSubdir(const QString& folder)
{
    QDir dir(folder);
    const QStringList names = dir.exists() ? dir.entryList(QDir::Files, QDir::Name | QDir::IgnoreCase) : QStringList();
    if (names.isEmpty()) {
        VRichMessageBox box(this, QDialogButtonBox::Ok, QMessageBox::Information, VRichMessageBox::ShowCaption);
        box.setObjectName("emptyFolderMessageBox");
        box.SetCaption(tr("There's no any file in directory \"%1\"").arg(folder));
        box.SetMsgBoxWidth(400);
        box.SetMsgBoxHeight(150);
        box.exec();
        return;
    }
    const QString absolute = dir.absolutePath();
    for (const QString& name : names)
        m_pending.append(absolute + '/' + name);
}

void VResourceLib::getMediasIncludeSubdir(const QString& folder)
{
    QSet<QString> inside;
    walkIncludeSubdir(folder, inside);
}

void VResourceLib::walkIncludeSubdir(const QString& folder, QSet<QString>& inside)
{
    QDir dir(folder);
    if (!dir.exists())
        return;
    // Links may lead back to a folder being walked: each real folder is
    // entered at most once on the current path.
    const QString canonical = dir.canonicalPath();
    if (canonical.isEmpty() || inside.contains(canonical))
        return;
    inside.insert(canonical);
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot, QDir::DirsFirst | QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            walkIncludeSubdir(entry.absoluteFilePath(), inside);
        else
            getImportFile(QDir::toNativeSeparators(entry.absoluteFilePath()));
    }
    inside.remove(canonical);
}

void VResourceLib::getImportFile(const QString& path)
{
    m_pending.append(path);
}

void VResourceLib::slot_MediasLib_ImportDragTaskList(QStringList paths)
{
    for (int i = 0; i < paths.size(); ++i) {
        const QFileInfo info(paths[i]);
        if (i == 0)
            m_variableInfo->SetInfoValue("ImportFilePath", info.absolutePath());
        if (info.isFile()) {
            m_pending.append(paths[i]);
        } else if (info.isDir()) {
            if (checkHasSubdirectory(paths[i])) {
                if (askIncludeSubdirs())
                    getMediasIncludeSubdir(paths[i]);
                else
                    getMediasIgnoreSubdir(paths[i]);
            } else {
                getMediasIgnoreSubdir(paths[i]);
            }
        }
    }
    if (!m_pending.isEmpty())
        slot_MediasLib_ImportSourceList(m_pending);
}

// ---- Library list import and export ----

void VResourceLib::slot_MediasLib_exportLibrary()
{
    const QString start = m_variableInfo->GetInfoValue("MediaLibFileExport", VideoFolder()).toString();
    const QString filter = m_variableInfo->GetInfoValue("MediaLibFileFilter", QVariant()).toString();
    const QString path = QFileDialog::getSaveFileName(this, tr("Export media library"), start, filter);
    if (path.isEmpty())
        return;
    emit signal_MediasLib_exportLibrary(path);
    m_variableInfo->SetInfoValue("MediaLibFileExport", QFileInfo(path).absolutePath());
}

void VResourceLib::slot_MediasLib_importLibrary()
{
    const QString start = m_variableInfo->GetInfoValue("MediaLibFileImport", VideoFolder()).toString();
    const QString filter = m_variableInfo->GetInfoValue("MediaLibFileFilter", QVariant()).toString();
    const QString path = QFileDialog::getOpenFileName(this, tr("Import media library"), start, filter);
    if (path.isEmpty())
        return;
    emit signal_MediasLib_importLibrary(path);
    m_variableInfo->SetInfoValue("MediaLibFileImport", path);
}
