#include "VDCPreferenceDlg.h"

#include "CBaseException.h"
#include "ui_VDCPreferenceDlg.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QStackedWidget>
#include <QVBoxLayout>

VDCPreferenceDlg::VDCPreferenceDlg(QWidget* parent) : QDialog(parent), m_ui(new Ui_VDCPreferenceDlg)
{
    m_ui->setupUi(this);
    connect(m_ui->btnBox, &QDialogButtonBox::accepted, this, &VDCPreferenceDlg::accept);
    connect(m_ui->btnBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    setWindowFlags((windowFlags() | Qt::CustomizeWindowHint) & ~Qt::WindowMaximizeButtonHint);
    m_ui->lstPageNames->setSelectionMode(QAbstractItemView::SingleSelection);
    m_ui->lstPageNames->setFocusPolicy(Qt::NoFocus);
    Retranslate();
}

VDCPreferenceDlg::~VDCPreferenceDlg()
{
    delete m_ui;
}

void VDCPreferenceDlg::AddPage(VDCPreferencePageWidget* page)
{
    auto* item = new QListWidgetItem(page->GetPageName());
    item->setData(Qt::UserRole, int(page->GetPageFution()));
    m_ui->lstPageNames->addItem(item);
    m_ui->stwPages->addWidget(page);
    fitToPages();
}

void VDCPreferenceDlg::fitToPages()
{
    // The list is as wide as its longest name, so no name is cut off behind a
    // scroll bar, and the dialog grows to show every page's widgets whole.
    ensurePolished();
    layout()->activate();
    QListWidget* list = m_ui->lstPageNames;
    const int nameWidth = list->sizeHintForColumn(0);
    if (nameWidth > 0)
        list->setFixedWidth(nameWidth + 2 * list->frameWidth() + 12);
    QSize fitting = size().expandedTo(sizeHint());
    // Wrapped texts need more height than the hint when the width is tight.
    if (layout()->hasHeightForWidth())
        fitting.setHeight(qMax(fitting.height(), layout()->totalHeightForWidth(fitting.width())));
    resize(fitting);
}

void VDCPreferenceDlg::swithPageByFuction(VDCPreferencePageWidget::Function function)
{
    if (VDCPreferencePageWidget* page = GetPageByFunc(function))
        m_ui->stwPages->setCurrentWidget(page);
}

VDCPreferencePageWidget* VDCPreferenceDlg::GetPageByFunc(VDCPreferencePageWidget::Function function)
{
    for (int i = 0; i < m_ui->stwPages->count(); ++i) {
        auto* page = qobject_cast<VDCPreferencePageWidget*>(m_ui->stwPages->widget(i));
        if (page && page->GetPageFution() == function)
            return page;
    }
    return nullptr;
}

void VDCPreferenceDlg::Retranslate()
{
    for (int row = 0; row < m_ui->lstPageNames->count(); ++row) {
        QListWidgetItem* item = m_ui->lstPageNames->item(row);
        const auto function = VDCPreferencePageWidget::Function(item->data(Qt::UserRole).toInt());
        if (VDCPreferencePageWidget* page = GetPageByFunc(function))
            item->setText(page->GetPageName());
    }
    if (m_ui->lstPageNames->count() > 0)
        fitToPages();
    setWindowTitle(tr("Preference"));
}

int VDCPreferenceDlg::exec()
{
    for (int i = 0; i < m_ui->stwPages->count(); ++i) {
        auto* page = qobject_cast<VDCPreferencePageWidget*>(m_ui->stwPages->widget(i));
        // One page's failure must neither keep the dialog closed nor reach Qt.
        if (page)
            QB_GUARDED_VOID({ page->initPageInfo(); });
    }
    if (m_ui->lstPageNames->count() > 0)
        m_ui->lstPageNames->setCurrentRow(0);
    return QDialog::exec();
}

void VDCPreferenceDlg::accept()
{
    QDialog::accept();
    for (int i = 0; i < m_ui->stwPages->count(); ++i) {
        auto* page = qobject_cast<VDCPreferencePageWidget*>(m_ui->stwPages->widget(i));
        // Each page stores its values whatever the others did.
        if (page)
            QB_GUARDED_VOID({ page->accept(); });
    }
}

void VDCPreferenceDlg::on_lstPageNames_itemSelectionChanged()
{
    const QList<QListWidgetItem*> selected = m_ui->lstPageNames->selectedItems();
    if (selected.size() != 1)
        return;
    swithPageByFuction(VDCPreferencePageWidget::Function(selected.first()->data(Qt::UserRole).toInt()));
}

void VDCPreferenceDlg::showEvent(QShowEvent* e)
{
    QDialog::showEvent(e);
    // Only a shown dialog knows how tall its wrapped texts are.
    fitToPages();
}

bool VDCPreferenceDlg::event(QEvent* e)
{
    if (e->type() != QEvent::LanguageChange)
        return QWidget::event(e);
    Retranslate();
    const bool result = QWidget::event(e);
    // The pages rename themselves only as the event reaches them, after the
    // list took their old names; take the new ones, whether or not a parent
    // window hands the event on once more.
    Retranslate();
    return result;
}
