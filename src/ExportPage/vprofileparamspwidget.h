#pragma once

// The picture size and the audio channels of the profile chosen on the
// online page. Saving writes both and settles the profile's audio bitrate on
// one the device database accepts for its codec, sample rate and channels.

#include "vprofileparamwidget.h"

namespace Ui {
class VProfileParamSPWidget;
}

class VProfileParamSPWidget : public VProfileParamBase
{
    Q_OBJECT
public:
    explicit VProfileParamSPWidget(QWidget* parent = nullptr);
    ~VProfileParamSPWidget() override;

    void setComcoboxStyleSheet(QString sheet) override;
    void Retranslate() override;

protected:
    void fillLists(IProfile* profile) override;
    bool writeLists(IProfile* profile, bool bAsk) override;

private:
    Ui::VProfileParamSPWidget* ui;
};
