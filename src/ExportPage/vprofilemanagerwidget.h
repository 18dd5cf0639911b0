#pragma once

// The profile area of the output page: a row of page names over a stack of
// profile pages, and under them the output folder every task writes into
// (the setting "OutputPath").

#include "vprofilemgrpagewidget.h"

#include <QFrame>

class IProfile;
namespace Ui {
class VProfileManagerWidget;
}

class VProfileManagerWidget : public QFrame
{
    Q_OBJECT
public:
    explicit VProfileManagerWidget(QWidget* parent = nullptr);
    ~VProfileManagerWidget() override;

    // The area takes the page into its stack and fills it.
    void AddPage(VProfileMgrPageWidget* pPage);
    VProfileMgrPageWidget* GetCurrentPage() const;
    // The shown page's profile, with the values the page shows: what a task
    // added now converts with.
    IProfile* GetCurProfile();
    // A value typed on the shown page but not yet confirmed is announced
    // (signal_ProfileChosen) for the task it was typed for.
    void CommitPendingEdit();
    VProfileMgrPageWidget* GetPageByFunc(VProfileMgrPageWidget::Function func);
    void swithPageByFuction(VProfileMgrPageWidget::Function func);
    // Shows the first page that accepts the profile, else the format page.
    void SetProfile(IProfile* pProfile);
    // Locks or unlocks the pages and the output folder; the page names stay usable.
    void SetEnableSetting(bool bEnable);
    void Retranslate();
    void initOutputPath();
    bool event(QEvent* e) override;

signals:
    void signal_CurrentPageChanged(VProfileMgrPageWidget* pPage);
    void signal_CurProfileChanged();
    // The user chose a profile or changed a value on the shown page: the
    // current task takes it. Showing a page, or showing a task's own profile
    // (SetProfile), never emits it.
    void signal_ProfileChosen();

private slots:
    void on_lstPageNames_itemSelectionChanged();
    void on_btnBrowse_clicked();

private:
    Ui::VProfileManagerWidget* ui;
    bool m_bEnableSetting = true;
    // Set while a task's profile is being shown: the pages' announcements
    // then come from the area itself, not from the user.
    bool m_bShowingTaskProfile = false;
};
