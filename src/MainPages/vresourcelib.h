#pragma once

// The media library panel: the icon grid and the details tree over the
// library list, the library and import menus, the missing-file check, and
// the gathering of files, folders and drops into one import request.

#include "fmdmediatreemodel.h"
#include "mediasourcelibsort.h"

#include <QFrame>
#include <QSet>
#include <QStringList>

class CAppFixedInfo;
class CAppVariableInfo;
class QAction;
class QActionGroup;
class QMenu;
class QTimer;
class VDetailDisplayView;
class VIconDisplayView;
namespace Ui {
class VResourceLib;
}

class VResourceLib : public QFrame
{
    Q_OBJECT
public:
    explicit VResourceLib(QWidget* parent = nullptr);
    ~VResourceLib() override;

    void setSourceData(Fablecut::CSourceData* data);
    Fablecut::CSourceData* sourceData() const { return m_data; }
    void refreshLibView();
    void ReTranslate();

    void mediasLib_DisplayAllMedias();
    void mediasLib_DisplayOnlyVideo();
    void mediasLib_DisplayOnlyAudieo();

    // Gathering (used by the slots; public for the page's own callers).
    void ImportMediasUseFolder(QString folder);
    bool checkHasSubdirectory(const QString& folder);
    void getMediasIncludeSubdir(const QString& folder);
    void getMediasIgnoreSubdir(const QString& folder);
    void getImportFile(const QString& path);

    VIconDisplayView* iconView() const;
    VDetailDisplayView* detailView() const;
    QMenu* libraryMenu() const { return m_libMenu; }
    QMenu* importMenu() const { return m_importMenu; }
    QList<QAction*> sortActions() const;
    QAction* selectAllAction() const { return m_actSelectAll; }
    QAction* deleteSelectedAction() const { return m_actDelete; }
    QActionGroup* sortGroup() const { return m_sortGroup; }
    QTimer* checkTimer() const { return m_checkTimer; }
    // The library files the check last found missing, in native separators.
    QStringList missingFiles() const;
    // Sets which library menu actions are enabled, as opening the menu does.
    void updateLibraryMenuState();

public slots:
    void slot_playCurrentItem(QString path);
    void slot_importSourceLibFinished();
    void slot_removeThoseDonotExistMedias(QString prefix);
    void on_cmbResourceFilter_currentIndexChanged(int index);
    void slot_MediasLib_ImportDragTaskList(QStringList paths);
    void slot_MediasLib_ImportSourceList(QStringList list);
    void slot_importSelectedMediaSource();
    void slot_MediasLib_importFolder();

signals:
    void signal_MediasLib_importLibrary(QString path);
    void signal_MediasLib_exportLibrary(QString path);
    void signal_MediasLib_importSelected(QStringList paths);
    void signal_btnSelectCamcorder_clicked();
    void signal_MeidasSource_RenameFinished(QString newName, QString taskItemPath);
    void signal_MediasLib_DelSelected(QList<Fablecut::ISourceDataItem*> items);
    void signal_MediasLib_itemPlay(Fablecut::ISourceDataItem* item);
    void signal_removeThoseDonotExistMedias(QString prefix);
    // The whole list of library files that do not exist now (native
    // separators, sorted), sent whenever it changes: a file that comes back
    // leaves it, and an empty list means every file is there.
    void signal_missingFilesChanged(QStringList paths);
    void signal_MediasLib_clearLibrary();
    void signal_MediasLib_importFolder();

protected:
    bool event(QEvent* event) override;

private slots:
    void on_btnImportMediaRes_clicked();
    void on_btnImportCamRes_clicked();
    void on_btnResourceLibMenu_clicked();
    void slot_checkSourceDataITemExistTimeOut();
    void slot_transpontMediasLib_DelSelected(QStringList paths);
    void slot_MediasLib_DelSelected();
    void slot_MediasLib_SelectAll();
    void slot_MediasLib_SortByName();
    void slot_MediasLib_SortByDuration();
    void slot_MediasLib_SortBySize();
    void slot_MediasLib_SortByDate();
    void slot_MediasLib_SortByType();
    void slot_MediasLib_ViewByLarge();
    void slot_MediasLib_ViewBySmall();
    void slot_MediasLib_ViewByDetails();
    void slot_FMDSortTypeChanged(int column, Qt::SortOrder order);
    void slot_MediasLib_exportLibrary();
    void slot_MediasLib_importLibrary();

private:
    void initMenus();
    void sortShownView(FMD_SortModeType key);
    FMD_SortModeType checkedSortKey() const;
    void switchToIcons(int viewType);
    bool askIncludeSubdirs();
    void walkIncludeSubdir(const QString& folder, QSet<QString>& inside);

    Ui::VResourceLib* m_ui;
    Fablecut::CSourceData* m_data = nullptr;
    CAppFixedInfo* m_fixedInfo;
    CAppVariableInfo* m_variableInfo;
    QStringList m_pending;
    QTimer* m_checkTimer = nullptr;
    // Where the next missing-file check goes on.
    size_t m_checkCursor = 0;
    // Library paths whose files the check found missing; known only while
    // the program runs.
    QSet<QString> m_missing;
    QMenu* m_libMenu = nullptr;
    QMenu* m_sortMenu = nullptr;
    QMenu* m_importMenu = nullptr;
    QActionGroup* m_sortGroup = nullptr;
    QActionGroup* m_viewGroup = nullptr;
    QAction* m_actSortName = nullptr;
    QAction* m_actSortDuration = nullptr;
    QAction* m_actSortSize = nullptr;
    QAction* m_actSortDate = nullptr;
    QAction* m_actSortType = nullptr;
    QAction* m_actSelectAll = nullptr;
    QAction* m_actDelete = nullptr;
    QAction* m_actLarge = nullptr;
    QAction* m_actSmall = nullptr;
    QAction* m_actDetails = nullptr;
    QAction* m_actImportLib = nullptr;
    QAction* m_actExportLib = nullptr;
    QAction* m_actImportFiles = nullptr;
    QAction* m_actImportFolder = nullptr;
};
