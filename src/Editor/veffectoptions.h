#pragma once

#include "editorpage.h"

#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QTableWidget>

class ShowEfcBtnDelegate;

// One entry of the effect table: the effect, its English label (the key the
// cells carry), its icon and whether it is the empty filler entry.
struct EffectButton
{
    EffectType type = EffectNone;
    QString label;
    QImage icon;
    bool empty = true;
};

// The picture-effect chooser: the seven effects as icon cells laid out in as
// many columns as the width holds. Announces a changed pick with
// signal_effectChanged. One chooser exists per run; the table, the column
// count and the last announced effect are shared by all instances.
class VEffectOptions : public QTableWidget
{
    Q_OBJECT
    Q_PROPERTY(int itemWidth READ getItemWidth WRITE setItemWidth)
    Q_PROPERTY(int itemHeight READ getItemHeight WRITE setItemHeight)
    Q_PROPERTY(int itemImgWidth READ getImgItemWidth WRITE setImgItemWidth)
    Q_PROPERTY(int itemImgHeight READ getImgItemHeight WRITE setImgItemHeight)

public:
    // The label in the current language, held apart from the English key.
    static constexpr int ShownTextRole = Qt::UserRole + 1;
    static constexpr int EffectTypeRole = Qt::UserRole + 5;
    static constexpr int CellType = QTableWidgetItem::UserType;

    explicit VEffectOptions(QWidget* parent = nullptr);
    ~VEffectOptions() override;

    void SetCurEffect(EffectType type);
    void RedefaultEffect();
    void CheckSlelected();
    void ReTranslate();

    int getItemWidth() const { return m_itemWidth; }
    int getItemHeight() const { return m_itemHeight; }
    int getImgItemWidth() const { return m_imgWidth; }
    int getImgItemHeight() const { return m_imgHeight; }
    // A width of 0 or less is refused: the layout divides by it.
    void setItemWidth(int w);
    void setItemHeight(int h);
    void setImgItemWidth(int w);
    void setImgItemHeight(int h);

    // A copy of the entry with that label, or of the empty entry.
    static EffectButton getEffectBtnByName(const QString& label);
    static int currentColumnCount();
    static EffectType lastAnnouncedEffect();

signals:
    void signal_effectChanged(EffectType eType);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private slots:
    void slot_itemSelectionChanged();

private:
    void initEffectBtns();
    void refreshData(bool bKeepSelection);
    // At least one column, whatever the width.
    int columnsFor(int width, int itemWidth) const;

    ShowEfcBtnDelegate* m_delegate = nullptr;
    int m_itemWidth = 80;
    int m_itemHeight = 66;
    int m_imgHeight = 48;
    int m_imgWidth = 64;
};
