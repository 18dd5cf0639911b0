#include "veffectoptions.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "AppConfigure/AppConfigDefines.h"
#include "showefcbtndelegate.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QHeaderView>

namespace {

struct EffectText
{
    const char* label;
    const char* comment;
};

struct EffectRow
{
    EffectType type;
    EffectText text;
    const char* file;
};

const EffectRow kEffects[] = {
    {EffectNone, QT_TRANSLATE_NOOP3("VEffectOptions", "None", "无"), "Efc_None.png"},
    {EffectSimpleGaussBlur, QT_TRANSLATE_NOOP3("VEffectOptions", "Simple Gauss Blur", "高斯模糊"), "Efc_Gauss.png"},
    {EffectSimpleLaplacianSharpen, QT_TRANSLATE_NOOP3("VEffectOptions", "Simple Laplacian Sharpen", "拉普拉斯锐化"),
     "Efc_LapSharpen.png"},
    {EffectGray, QT_TRANSLATE_NOOP3("VEffectOptions", "Gray", "灰度"), "Efc_Gray.png"},
    {EffectFlipColor, QT_TRANSLATE_NOOP3("VEffectOptions", "Flip Color", "颜色翻转"), "Efc_FlipColor.png"},
    {EffectInvert, QT_TRANSLATE_NOOP3("VEffectOptions", "Invert", "反色"), "Efc_Invert.png"},
    {EffectAgedFilm, QT_TRANSLATE_NOOP3("VEffectOptions", "Aged Film", "老电影"), "Efc_AgedFilm.png"},
};
constexpr int kEffectCount = 7;

QList<EffectButton> EfcBtnsList;
const EffectButton EfcBtnNull;
int Static_Num_CurColumnCount = 3;
EffectType Static_CurEfcType = EffectNone;

} // namespace

VEffectOptions::VEffectOptions(QWidget* parent) : QTableWidget(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::ClickFocus);
    setShowGrid(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(m_itemWidth);
    verticalHeader()->setDefaultSectionSize(m_itemHeight);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setAttribute(Qt::WA_MouseTracking);

    initEffectBtns();
    refreshData(false);
    ReTranslate();
    m_delegate = new ShowEfcBtnDelegate;
    setItemDelegate(m_delegate);
    connect(this, &QTableWidget::itemSelectionChanged, this, &VEffectOptions::slot_itemSelectionChanged);
}

VEffectOptions::~VEffectOptions()
{
    setItemDelegate(nullptr);
    delete m_delegate;
}

void VEffectOptions::initEffectBtns()
{
    const QString skin =
        CAppVariableInfo::GetInstance()->GetInfoValue(VARIABLE_INFO_CURSKIN_PATH, QVariant()).toString();
    QList<EffectButton> list;
    for (const EffectRow& row : kEffects) {
        EffectButton b;
        b.type = row.type;
        b.label = QString::fromLatin1(row.text.label);
        b.icon = QImage(QDir::fromNativeSeparators(skin + QDir::separator() + QString::fromLatin1(row.file)));
        b.empty = false;
        list.append(b);
    }
    EfcBtnsList = list;
}

EffectButton VEffectOptions::getEffectBtnByName(const QString& label)
{
    for (const EffectButton& b : EfcBtnsList) {
        if (b.label == label)
            return b;
    }
    return EfcBtnNull;
}

int VEffectOptions::currentColumnCount()
{
    return Static_Num_CurColumnCount;
}

EffectType VEffectOptions::lastAnnouncedEffect()
{
    return Static_CurEfcType;
}

int VEffectOptions::columnsFor(int width, int itemWidth) const
{
    if (itemWidth <= 0)
        return Static_Num_CurColumnCount;
    return qMax(1, width / itemWidth);
}

void VEffectOptions::refreshData(bool bKeepSelection)
{
    QStringList names;
    if (bKeepSelection) {
        for (QTableWidgetItem* item : selectedItems()) {
            const QString name = item->data(Qt::UserRole).toString();
            if (!name.isEmpty())
                names.append(name);
        }
    }
    clear();
    const int columns = qMax(1, Static_Num_CurColumnCount);
    const int rows = kEffectCount / columns + (kEffectCount % columns ? 1 : 0);
    setColumnCount(columns);
    setRowCount(rows);
    for (int i = 0; i < columns * rows; ++i) {
        const EffectButton entry = i < EfcBtnsList.size() ? EfcBtnsList.at(i) : EfcBtnNull;
        auto* cell = new QTableWidgetItem(CellType);
        if (!entry.empty) {
            cell->setData(Qt::UserRole, entry.label);
            cell->setData(EffectTypeRole, int(entry.type));
            cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            const QString shown =
                QCoreApplication::translate("VEffectOptions", kEffects[i].text.label, kEffects[i].text.comment);
            cell->setData(ShownTextRole, shown);
            cell->setToolTip(shown);
        } else {
            cell->setFlags(Qt::NoItemFlags);
        }
        setItem(i / columns, i % columns, cell);
        if (bKeepSelection && !names.isEmpty() && !entry.empty)
            cell->setSelected(names.contains(entry.label));
    }
}

void VEffectOptions::ReTranslate()
{
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (!cell || !cell->data(Qt::UserRole).isValid())
                continue;
            const int type = cell->data(EffectTypeRole).toInt();
            if (type < 0 || type >= kEffectCount)
                continue;
            const QString shown =
                QCoreApplication::translate("VEffectOptions", kEffects[type].text.label, kEffects[type].text.comment);
            cell->setData(ShownTextRole, shown);
            cell->setToolTip(shown);
        }
    }
}

void VEffectOptions::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::LanguageChange)
        ReTranslate();
    QTableWidget::changeEvent(event);
}

void VEffectOptions::resizeEvent(QResizeEvent* event)
{
    QTableWidget::resizeEvent(event);
    const int columns = columnsFor(width(), m_itemWidth);
    if (columns != Static_Num_CurColumnCount || columns != columnCount()) {
        Static_Num_CurColumnCount = columns;
        refreshData(true);
    }
}

void VEffectOptions::setItemWidth(int w)
{
    if (w <= 0)
        return;
    m_itemWidth = w;
    const int columns = columnsFor(width(), w);
    if (columns != Static_Num_CurColumnCount) {
        Static_Num_CurColumnCount = columns;
        refreshData(true);
    }
    horizontalHeader()->setDefaultSectionSize(w);
}

void VEffectOptions::setItemHeight(int h)
{
    m_itemHeight = h;
    verticalHeader()->setDefaultSectionSize(h);
}

void VEffectOptions::setImgItemWidth(int w)
{
    m_imgWidth = w;
    if (m_delegate)
        m_delegate->SetImageWidth(w);
}

void VEffectOptions::setImgItemHeight(int h)
{
    m_imgHeight = h;
    if (m_delegate)
        m_delegate->SetImageHeight(h);
}

void VEffectOptions::slot_itemSelectionChanged()
{
    const QList<QTableWidgetItem*> selected = selectedItems();
    if (selected.isEmpty())
        return;
    const EffectButton entry = getEffectBtnByName(selected.first()->data(Qt::UserRole).toString());
    if (entry.type != Static_CurEfcType) {
        Static_CurEfcType = entry.type;
        emit signal_effectChanged(entry.type);
    }
}

void VEffectOptions::SetCurEffect(EffectType type)
{
    for (int r = 0; r < rowCount(); ++r) {
        for (int c = 0; c < columnCount(); ++c) {
            QTableWidgetItem* cell = item(r, c);
            if (!cell || cell->data(EffectTypeRole).toInt() != int(type))
                continue;
            clearSelection();
            cell->setSelected(true);
            return;
        }
    }
}

void VEffectOptions::RedefaultEffect()
{
    QTableWidgetItem* first = item(0, 0);
    if (first && !first->isSelected()) {
        clearSelection();
        first->setSelected(true);
    }
}

void VEffectOptions::CheckSlelected()
{
    if (selectedItems().isEmpty())
        RedefaultEffect();
}
