#pragma once

// One page of the profile area: it offers profiles of one kind, owns the
// profile chosen on it and lends it out through GetCurProfile.

#include <QString>
#include <QWidget>

class IProfile;

class VProfileMgrPageWidget : public QWidget
{
    Q_OBJECT
public:
    enum Function
    {
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

signals:
    void signal_CurProfileChanged();

protected:
    Function m_function = Function(0);
    QString m_pageName;
};
