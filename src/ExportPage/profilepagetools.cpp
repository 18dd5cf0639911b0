#include "profilepagetools.h"

#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "IProfile.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"
#include "dialogs/VRichMessageBox.h"
#include "vprofileparambase.h"
#include "Basilvo/Basilvo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QAbstractButton>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableWidget>

namespace ProfilePageTools {

namespace {

class CCategoryCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QPixmap icon = index.data(Qt::DecorationRole).value<QPixmap>();
        const QRect room = option.rect.adjusted(kRing, kRing, -kRing, -kRing);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setRenderHint(QPainter::SmoothPixmapTransform);
        QRect place;
        if (!icon.isNull() && room.isValid()) {
            const QSize shown = icon.size().scaled(room.size(), Qt::KeepAspectRatio).boundedTo(icon.size());
            place = QRect(QPoint(0, 0), shown);
            place.moveCenter(room.center());
            painter->drawPixmap(place, icon);
        }
        if (!place.isNull() && (option.state & QStyle::State_Selected)) {
            painter->setPen(QPen(QColor(0x7c, 0xbc, 0xff), 2));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(place).adjusted(-2, -2, 2, 2), 6, 6);
        } else if (!place.isNull() && (option.state & QStyle::State_MouseOver)) {
            painter->setPen(QPen(QColor(0x98, 0xa1, 0xac), 1));
            painter->setBrush(Qt::NoBrush);
            painter->drawRoundedRect(QRectF(place).adjusted(-1.5, -1.5, 1.5, 1.5), 6, 6);
        }
        painter->restore();
    }

private:
    static constexpr int kRing = 4;
};

} // namespace

void PaintCategoryCellsPlainly(QTableWidget* grid)
{
    grid->setItemDelegate(new CCategoryCellDelegate(grid));
    grid->setMouseTracking(true);
}

QPixmap CategoryIcon(ProfileNodeManager* pMgr, CatData* pCat)
{
    QVariant value;
    pMgr->getProfileConfig()->ondataFromCatNode(value, QVariant(pCat->id), pCat);
    const QPixmap* cached = PixmapFromIconValue(value);
    return cached ? *cached : QPixmap();
}

int FillCategoryGrid(QTableWidget* grid, ProfileNodeManager* pMgr, int type, QList<CatData*>& cats)
{
    QList<QTableWidgetItem*> cells;
    for (CatData* cat : pMgr->getCatNode()->GetList()) {
        if (!cat || cat->type != type)
            continue;
        auto* cell = new QTableWidgetItem;
        cell->setData(Qt::UserRole, unsigned(cat->id));
        cell->setData(Qt::DecorationRole, CategoryIcon(pMgr, cat));
        cell->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        // The picture alone names nothing to a screen reader.
        cell->setToolTip(cat->name);
        cell->setData(Qt::AccessibleTextRole, cat->name);
        cells << cell;
        cats << cat;
    }
    const int n = cells.size();
    const int rows = std::max(2, (n + 3) / 4);
    grid->setRowCount(rows);
    // Two rows show at once; the arrows scroll through the rest.
    grid->setFixedHeight(2 * grid->verticalHeader()->defaultSectionSize());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int index = 4 * r + c;
            QTableWidgetItem* cell = index < n ? cells[index] : nullptr;
            if (!cell) {
                cell = new QTableWidgetItem;
                cell->setData(Qt::UserRole, -1);
                cell->setFlags(Qt::NoItemFlags);
            }
            grid->setItem(r, c, cell);
        }
    }
    return rows;
}

void SelectFirstCell(QTableWidget* grid)
{
    QTableWidgetItem* first = grid->item(0, 0);
    if (!first || !(first->flags() & Qt::ItemIsSelectable))
        return;
    grid->setCurrentItem(first, QItemSelectionModel::NoUpdate);
    if (!first->isSelected())
        first->setSelected(true);
}

void ReportSaveFailure(QWidget* page)
{
    const QString reason = QString::fromUtf8(GetQuentaException()->GetExceptionMsg());
    ExecPromptMessageBox(
        QCoreApplication::translate("VProfileMgrPageWidget", "The profile settings could not be kept: %1").arg(reason),
        QDialogButtonBox::Ok, QMessageBox::Warning);
    Q_UNUSED(page);
}

QTableWidgetItem* FindCategoryCell(QTableWidget* grid, int id)
{
    for (int r = 0; r < grid->rowCount(); ++r)
        for (int c = 0; c < grid->columnCount(); ++c) {
            QTableWidgetItem* cell = grid->item(r, c);
            if (cell && cell->data(Qt::UserRole).toInt() == id)
                return cell;
        }
    return nullptr;
}

int SelectedCategoryId(QTableWidget* grid)
{
    const QList<QTableWidgetItem*> selected = grid->selectedItems();
    if (selected.size() != 1)
        return -1;
    return selected.first()->data(Qt::UserRole).toInt();
}

bool ActivateCategory(ProfileNodeManager* pMgr, int id)
{
    for (CatData* cat : pMgr->getCatNode()->GetList()) {
        if (!cat || cat->id != id)
            continue;
        if (cat != pMgr->getActiveCatData()) {
            pMgr->setActiveCatData(cat);
            pMgr->reBuildLnkViewList(false);
        }
        return true;
    }
    return false;
}

IProfile* LoadLinkProfile(ProfileNodeManager* pMgr, LnkData* pLnk)
{
    if (!pLnk)
        return nullptr;
    IProfile* profile = nullptr;
    QB_GUARDED_VOID({ profile = pMgr->loadProfile(*pLnk); });
    return profile;
}

IProfile* LoadFirstLinkProfile(ProfileNodeManager* pMgr)
{
    const auto& links = pMgr->getLnkNode()->GetList();
    if (links.isEmpty())
        return nullptr;
    return LoadLinkProfile(pMgr, links.first());
}

QString ProfileName(IProfile* pProfile, LnkData* pLnk)
{
    if (pProfile && pProfile->GetDesc()) {
        const QString name = QString::fromUtf8(pProfile->GetDesc()->GetName());
        if (!name.isEmpty())
            return name;
    }
    return pLnk ? pLnk->name : QString();
}

QString ReadComboStyleSheet(bool& found)
{
    found = false;
    const QString skin =
        QDir::fromNativeSeparators(CAppVariableInfo::GetInstance()->GetInfoValue("CurSkinPath", QVariant()).toString());
    QFile file(skin + QDir::separator() + "combobox.css");
    if (!file.exists())
        return QString();
    found = true;
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QString sheet = QString::fromLatin1(file.readAll());
    sheet.replace("%skinpath%", skin, Qt::CaseInsensitive);
    return sheet;
}

void ApplyComboStyleSheet(VProfileParamBase* editor, QString& kept)
{
    bool found = false;
    const QString sheet = ReadComboStyleSheet(found);
    if (!found)
        return;
    kept = sheet;
    editor->setComcoboxStyleSheet(kept);
}

void InitCategoryGrid(QTableWidget* grid, QAbstractButton* pre, QAbstractButton* next, ProfileNodeManager* pMgr,
                      int type, QList<CatData*>& cats)
{
    const int rows = FillCategoryGrid(grid, pMgr, type, cats);
    pre->setEnabled(rows > 2);
    next->setEnabled(rows > 2);
    SelectFirstCell(grid);
}

void ReleaseProfile(IProfile*& pProfile)
{
    if (pProfile)
        pProfile->Release();
    pProfile = nullptr;
}

} // namespace ProfilePageTools
