#pragma once

// What the profile pages share: the category grid (four icons to a row, filler
// cells after the last category), making a category the catalogue's active
// one, loading a link's profile without letting a catalogue failure out, and
// the skin's style sheet for the editors' lists.

#include <QList>
#include <QPixmap>
#include <QString>

struct CatData;
class IProfile;
struct LnkData;
class ProfileNodeManager;
class QAbstractButton;
class QTableWidget;
class QTableWidgetItem;
class QWidget;
class VProfileParamBase;

namespace ProfilePageTools {

// The icon of a category from the catalogue's icon cache; an empty pixmap
// when the category has no icon file.
QPixmap CategoryIcon(ProfileNodeManager* pMgr, CatData* pCat);

// Fills the grid with the categories of that type in the catalogue's view
// order (appended to `cats`); returns the row count (at least 2).
int FillCategoryGrid(QTableWidget* grid, ProfileNodeManager* pMgr, int type, QList<CatData*>& cats);

// Paints a grid's category cells: the icon centred and whole in its cell,
// never tinted, the chosen one ringed in the skin's focus colour (a tinted
// selection washed the icon's label out to under 2:1).
void PaintCategoryCellsPlainly(QTableWidget* grid);

// Selects the cell at row 0, column 0 (a filler cell stays unselected).
void SelectFirstCell(QTableWidget* grid);

// A page's grid set up: filled as FillCategoryGrid does, the row buttons
// enabled only when there is more than one page of rows to move through,
// the first cell selected.
void InitCategoryGrid(QTableWidget* grid, QAbstractButton* pre, QAbstractButton* next, ProfileNodeManager* pMgr,
                      int type, QList<CatData*>& cats);

// Tells the user that the editor's choices could not be written into the
// profile (the reason is the calling thread's last error); the page then
// hands out no profile rather than one without the user's edits.
void ReportSaveFailure(QWidget* page);

// The category cell of that ID, or null.
QTableWidgetItem* FindCategoryCell(QTableWidget* grid, int id);

// The category ID of the one selected cell; -1 when none, several or a
// filler cell is selected.
int SelectedCategoryId(QTableWidget* grid);

// Makes the category of that ID the active one and rebuilds the link view
// list for it, unless it is active already. False when no such category is
// in the catalogue's view list.
bool ActivateCategory(ProfileNodeManager* pMgr, int id);

// The profile of the link (owned by the caller), or null when its file is
// missing or cannot be read; a catalogue failure is recorded, never thrown.
IProfile* LoadLinkProfile(ProfileNodeManager* pMgr, LnkData* pLnk);

// The profile of the first link of the link view list, or null (empty list).
IProfile* LoadFirstLinkProfile(ProfileNodeManager* pMgr);

// The profile's own name (UTF-8), or the link's name when it has none.
QString ProfileName(IProfile* pProfile, LnkData* pLnk);

// "combobox.css" of the current skin with "%skinpath%" (any case) replaced
// by the skin folder; `found` false when the file is missing.
QString ReadComboStyleSheet(bool& found);

// Gives the parameter panel the skin's list style sheet and keeps it in
// `kept`; with no sheet in the skin both stay as they are.
void ApplyComboStyleSheet(VProfileParamBase* editor, QString& kept);

// Releases and clears.
void ReleaseProfile(IProfile*& pProfile);

} // namespace ProfilePageTools
