#pragma once

// The picture size and the audio channels of the profile chosen on the
// online page. Saving writes both and settles the profile's audio bitrate on
// one the device database accepts for its codec, sample rate and channels.

#include "vprofileparamwidget.h"

#include <QFrame>

namespace Ui { class VProfileParamSPWidget; }

class VProfileParamSPWidget : public QFrame
{
    Q_OBJECT
public:
    enum ColItemFlag
    {
        FlagChannelNames = 2,
        FlagEditable = 4,
        FlagBitrateNames = 8,
    };
    Q_DECLARE_FLAGS(ColItemFlags, ColItemFlag)

    explicit VProfileParamSPWidget(QWidget* parent = nullptr);
    ~VProfileParamSPWidget() override;

    void setProfileNodeManager(ProfileNodeManager* pMgr) { m_pNodeMgr = pMgr; }
    void showProfile(IProfile* profile);
    bool SaveSettingToCurProfile();
    bool saveToProfile(IProfile* profile, bool bAsk);
    void setComcoboxStyleSheet(QString sheet);
    void Retranslate();
    bool event(QEvent* e) override;
    void showColItem(IColItem* pItem, QComboBox* pComboBox, QVariant value, ColItemFlags flags);

    IProfile* currentProfile() const { return m_pCurProfile; }

private:
    void initPageControlElems();

    Ui::VProfileParamSPWidget* ui;
    ProfileNodeManager* m_pNodeMgr = nullptr;
    IProfile* m_pCurProfile = nullptr;
    QString m_styleSheet;
    IMirendo* m_pMirendo = nullptr;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(VProfileParamSPWidget::ColItemFlags)
