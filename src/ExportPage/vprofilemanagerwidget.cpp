#include "vprofilemanagerwidget.h"
#include "ui_vprofilemanagerwidget.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "dialogs/VRichMessageBox.h"
#include "sysutils_dir.h"
#include "utility/utility.h"

#include <QDir>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QFileDialog>
#include <QListWidgetItem>

namespace {
// Page names are shown whole, in every language.
void FitItem(QListWidgetItem* item)
{
    const QFontMetrics metrics(item->listWidget() ? item->listWidget()->font() : QApplication::font());
    item->setSizeHint(QSize(metrics.horizontalAdvance(item->text()) + 28, metrics.height() + 12));
}

// The name bar never gets narrower than its names: the window's smallest
// size grows with the language instead of cutting the last page's name.
void FitNameBar(QListWidget* list)
{
    // Names stand side by side, two spacings apart.
    int width = 2 * list->frameWidth();
    int shown = 0;
    for (int i = 0; i < list->count(); ++i)
        if (!list->item(i)->isHidden()) {
            width += list->item(i)->sizeHint().width();
            ++shown;
        }
    list->setMinimumWidth(width + 2 * list->spacing() * std::max(0, shown - 1));
}
} // namespace

VProfileManagerWidget::VProfileManagerWidget(QWidget* parent) : QFrame(parent), ui(new Ui::VProfileManagerWidget)
{
    ui->setupUi(this);
    initOutputPath();
    ui->lstPageNames->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->lstPageNames->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ui->lstPageNames->setAttribute(Qt::WA_MacShowFocusRect, false);
    // The folder is chosen with the chooser, which checks that it can be
    // written; typed text would bypass that check and never be stored.
    ui->edtOutputPath->setReadOnly(true);
    ui->stwPages->setEnabled(m_bEnableSetting);
    ui->frmOutputPath->setEnabled(m_bEnableSetting);
    Retranslate();
}

VProfileManagerWidget::~VProfileManagerWidget()
{
    delete ui;
}

void VProfileManagerWidget::AddPage(VProfileMgrPageWidget* pPage)
{
    auto* item = new QListWidgetItem(pPage->GetPageName());
    FitItem(item);
    item->setTextAlignment(Qt::AlignCenter);
    item->setData(Qt::UserRole, int(pPage->GetPageFution()));
    ui->lstPageNames->addItem(item);
    FitNameBar(ui->lstPageNames);
    ui->stwPages->addWidget(pPage);
    pPage->initPageInfo();
    connect(pPage, &VProfileMgrPageWidget::signal_CurProfileChanged, this, [this, pPage] {
        emit signal_CurProfileChanged();
        // Only the page the user sees and works on chooses for the task.
        if (!m_bShowingTaskProfile && pPage == GetCurrentPage())
            emit signal_ProfileChosen();
    });
    if (ui->stwPages->count() == 1)
        ui->lstPageNames->setCurrentRow(0);
}

VProfileMgrPageWidget* VProfileManagerWidget::GetCurrentPage() const
{
    return qobject_cast<VProfileMgrPageWidget*>(ui->stwPages->currentWidget());
}

IProfile* VProfileManagerWidget::GetCurProfile()
{
    VProfileMgrPageWidget* page = GetCurrentPage();
    return page ? page->GetCurProfile() : nullptr;
}

void VProfileManagerWidget::CommitPendingEdit()
{
    if (VProfileMgrPageWidget* page = GetCurrentPage())
        page->CommitPendingEdit();
}

VProfileMgrPageWidget* VProfileManagerWidget::GetPageByFunc(VProfileMgrPageWidget::Function func)
{
    for (int i = 0; i < ui->stwPages->count(); ++i) {
        auto* page = qobject_cast<VProfileMgrPageWidget*>(ui->stwPages->widget(i));
        if (page && page->GetPageFution() == func)
            return page;
    }
    return nullptr;
}

void VProfileManagerWidget::swithPageByFuction(VProfileMgrPageWidget::Function func)
{
    VProfileMgrPageWidget* page = GetPageByFunc(func);
    if (!page)
        return;
    if (ui->stwPages->currentWidget() != page) {
        ui->stwPages->setCurrentWidget(page);
        emit signal_CurrentPageChanged(page);
        emit signal_CurProfileChanged();
    }
    QListWidget* list = ui->lstPageNames;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        if (item->data(Qt::UserRole).toInt() != int(func))
            continue;
        if (item->isSelected())
            return;
        disconnect(list, SIGNAL(itemSelectionChanged()), this, SLOT(on_lstPageNames_itemSelectionChanged()));
        list->clearSelection();
        item->setSelected(true);
        list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        connect(list, SIGNAL(itemSelectionChanged()), this, SLOT(on_lstPageNames_itemSelectionChanged()));
        return;
    }
}

void VProfileManagerWidget::on_lstPageNames_itemSelectionChanged()
{
    const QList<QListWidgetItem*> selected = ui->lstPageNames->selectedItems();
    if (selected.size() != 1)
        return;
    swithPageByFuction(VProfileMgrPageWidget::Function(selected.first()->data(Qt::UserRole).toInt()));
}

void VProfileManagerWidget::SetProfile(IProfile* pProfile)
{
    // A page may load another profile on its way to the offered one (a
    // category's first); the task keeps its own all the same.
    const bool outer = !m_bShowingTaskProfile;
    m_bShowingTaskProfile = true;
    VProfileMgrPageWidget* shown = nullptr;
    if (pProfile) {
        for (int i = 0; i < ui->stwPages->count() && !shown; ++i) {
            auto* page = qobject_cast<VProfileMgrPageWidget*>(ui->stwPages->widget(i));
            if (page && page->SetProfile(pProfile))
                shown = page;
        }
    }
    swithPageByFuction(shown ? shown->GetPageFution() : VProfileMgrPageWidget::FUNC_FORMAT);
    if (outer)
        m_bShowingTaskProfile = false;
}

void VProfileManagerWidget::SetEnableSetting(bool bEnable)
{
    m_bEnableSetting = bEnable;
    ui->stwPages->setEnabled(bEnable);
    ui->frmOutputPath->setEnabled(bEnable);
}

void VProfileManagerWidget::Retranslate()
{
    ui->retranslateUi(this);
    ui->btnBrowse->setToolTip(tr("Browse"));
    QListWidget* list = ui->lstPageNames;
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem* item = list->item(i);
        VProfileMgrPageWidget* page = GetPageByFunc(VProfileMgrPageWidget::Function(item->data(Qt::UserRole).toInt()));
        if (!page)
            continue;
        page->Retranslate();
        item->setText(page->GetPageName());
        FitItem(item);
    }
    FitNameBar(list);
}

bool VProfileManagerWidget::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QFrame::event(e);
}

void VProfileManagerWidget::initOutputPath()
{
    CAppVariableInfo* settings = CAppVariableInfo::GetInstance();
    QString folder = settings->GetInfoValue(VARIABLE_INFO_OUTPUTPATH, QVariant()).toString();
    if (!QuentaBased::dir_exists(folder.toUtf8().constData())) {
        folder = settings->GetInfoDefaultValue(VARIABLE_INFO_OUTPUTPATH).toString();
        settings->SetInfoValue(VARIABLE_INFO_OUTPUTPATH, folder);
    }
    ui->edtOutputPath->setText(folder);
}

void VProfileManagerWidget::on_btnBrowse_clicked()
{
    const QString folder =
        QFileDialog::getExistingDirectory(this, tr("Open"), ui->edtOutputPath->text(), QFileDialog::ShowDirsOnly);
    if (folder.isEmpty())
        return;
    if (!is_dir_can_write(folder.toUtf8().constData())) {
        ExecPromptMessageBox(tr("Path provided is not writable."), QDialogButtonBox::Ok, QMessageBox::Warning);
        return;
    }
    const QString native = QDir::toNativeSeparators(folder);
    ui->edtOutputPath->setText(native);
    CAppVariableInfo::GetInstance()->SetInfoValue(VARIABLE_INFO_OUTPUTPATH, native);
}
