#pragma once

// One page of the profile area: it offers profiles of one kind, owns the
// profile chosen on it and lends it out through GetCurProfile. What every
// page does alike lives here: the category grid, the catalogue's active
// category, the list of a category's profiles, and the current profile,
// which the page replaces, clones and releases and its parameter panel shows.

#include <QList>
#include <QString>
#include <QWidget>

struct CatData;
class IProfile;
struct LnkData;
class ProfileCatNode;
class ProfileNodeManager;
class QAbstractButton;
class QAbstractItemView;
class QComboBox;
class QScrollBar;
class QTableWidget;
class QTableWidgetItem;
class VProfileParamBase;

class VProfileMgrPageWidget : public QWidget
{
    Q_OBJECT
public:
    enum Function {
        FUNC_FORMAT = 2,
        FUNC_EDITOR = 3,
        FUNC_DEVICE = 4,
        FUNC_LOSSLESS = 5,
        FUNC_ONLINE = 6,
    };

    explicit VProfileMgrPageWidget(QWidget* parent);
    ~VProfileMgrPageWidget() override;

    // Fills the page; the profile area calls it once, when the page is added.
    virtual void initPageInfo() = 0;
    // The page keeps ownership; null when the page holds no profile.
    virtual IProfile* GetCurProfile() = 0;
    // True when the page shows the profile (it keeps a clone of its own);
    // false for a null profile or one of another kind. The caller keeps its own.
    virtual bool SetProfile(IProfile* pProfile) = 0;
    virtual void Retranslate() = 0;
    virtual QString GetPageName();
    virtual Function GetPageFution();
    // A value typed on the page but not yet confirmed is announced now.
    void CommitPendingEdit();

    bool eventFilter(QObject* watched, QEvent* e) override;

signals:
    void signal_CurProfileChanged();

protected:
    // A page of that function over the catalogue (not owned).
    VProfileMgrPageWidget(ProfileNodeManager* pMgr, Function func, QWidget* parent);

    // Four columns sharing the grid's width; the headers get the names the
    // skin addresses them by.
    static void SetupCategoryGrid(QTableWidget* grid);
    // Takes the catalogue's category node and fills the grid with the page's
    // categories; selecting the first cell loads its profile at once.
    void FillCategoryGrid(QTableWidget* grid, QAbstractButton* pre, QAbstractButton* next);
    // Makes the category of the one selected cell the active one; false when
    // none, several or a filler cell is selected.
    bool ActivateSelectedCategory(QTableWidget* grid);
    // The profile's link when it lies in one of the page's categories; null
    // otherwise, and for a null profile.
    LnkData* OwnLink(IProfile* pProfile);
    // The grid cell of the profile's category; null when the profile is not
    // the page's.
    QTableWidgetItem* CategoryCellOf(QTableWidget* grid, IProfile* pProfile);
    // SetProfile of a page whose grid alone decides: the profile's category
    // cell is selected without running the grid's selection slot (nothing
    // loaded, nothing announced) and scrolled into view, and a clone of the
    // profile becomes current.
    bool HoldInCategoryGrid(QTableWidget* grid, IProfile* pProfile);
    static void StepScroll(QScrollBar* bar, int step);
    // Values changed in the parameter panel are the page's change of profile.
    void WatchEditor();
    // Keyboard use of a cell grid or icon list: Tab leaves it (arrow keys
    // move within it), and a click on the cell already highlighted chooses
    // its profile again, for the task that has another one.
    void WatchChooser(QAbstractItemView* view);

    // The first profile of the active category becomes current, is shown
    // and announced; the panel never keeps the released one.
    void LoadFirstProfile();
    // A clone of the profile becomes current and is shown; nothing announced.
    void KeepCloneOf(IProfile* pProfile);
    // The current profile with the panel's choices written into it; null,
    // after telling the user, when they cannot be kept.
    IProfile* SavedCurProfile();
    // Hands the panel the skin's list style sheet (kept by the page too).
    void updateComcoboxStyleSheet();

    // Lists the active category's profiles under their own names; the first
    // entry becomes current through the list's slot.
    void FillProfileList(QComboBox* list);
    // The list slot's work: the entry's profile becomes current, is shown
    // and announced; -1 (the list emptied) leaves the page without one.
    void LoadListedProfile(QComboBox* list, int index);
    // Makes the profile's entry current without running the list's slot and
    // keeps a clone; false when the list has no entry of its ID.
    bool SelectListedProfile(QComboBox* list, IProfile* pProfile);

    Function m_function = Function(0);
    QString m_pageName;
    ProfileNodeManager* m_pNodeMgr = nullptr;
    ProfileCatNode* m_pCatNode = nullptr;
    QList<CatData*> m_cats;
    IProfile* m_pCurProfile = nullptr;
    QString m_styleSheet;
    // The page's parameter panel, part of its form; null on a page without.
    VProfileParamBase* m_pEditor = nullptr;

private:
    void ShowInEditor(IProfile* pProfile);

    QAbstractItemView* m_pChooser = nullptr;
    // The pressed cell was highlighted already: its release chooses again.
    bool m_bReclick = false;
};
