#pragma once

// The profile area of the output page: a row of page names over a stack of
// profile pages, and under them the output folder every task writes into
// (the setting "OutputPath").

#include "vprofilemgrpagewidget.h"

#include <QFrame>

class IProfile;
namespace Ui { class VProfileManagerWidget; }

class VProfileManagerWidget : public QFrame
{
    Q_OBJECT
public:
    explicit VProfileManagerWidget(QWidget* parent = nullptr);
    ~VProfileManagerWidget() override;

    // The area takes the page into its stack and fills it.
    void AddPage(VProfileMgrPageWidget* pPage);
    VProfileMgrPageWidget* GetCurrentPage() const;
    // The profile in force: the one last chosen or shown for a task, on
    // whichever page that was. Showing another page does not change it.
    IProfile* GetCurProfile();
    VProfileMgrPageWidget* GetProfilePage() const { return m_pProfilePage; }
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

private slots:
    void on_lstPageNames_itemSelectionChanged();
    void on_btnBrowse_clicked();

private:
    Ui::VProfileManagerWidget* ui;
    bool m_bEnableSetting = true;
    // The page whose profile is in force (see GetCurProfile).
    VProfileMgrPageWidget* m_pProfilePage = nullptr;
};
