#pragma once

#include "VDCPreferencePageWidget.h"

class CAppVariableInfo;
class Ui_VDCPreferenceConvert;

namespace Moorland {
class IAVConverter;
}

// How many conversions run at the same time ("MaxRunProgressCount", 1..4)
// and how many processor cores one may use ("UseCPUCore": 0 all, -1 the
// least, N exactly N). On OK both are stored and handed to the engine.
class VDCPreferenceConvert : public VDCPreferencePageWidget
{
    Q_OBJECT

public:
    // nProcessorCount 0 asks the system; tests pass a count of their own.
    VDCPreferenceConvert(Moorland::IAVConverter* converter, QWidget* parent = nullptr, int nProcessorCount = 0);
    ~VDCPreferenceConvert() override;

    void initPageInfo() override;
    void accept() override;
    void Retranslate();
    int processorCount() const { return m_processorCount; }

private Q_SLOTS:
    void on_rbtnCustomCores_toggled(bool bChecked);

protected:
    bool event(QEvent* e) override;

private:
    Ui_VDCPreferenceConvert* m_ui;
    CAppVariableInfo* m_settings;
    Moorland::IAVConverter* m_converter;
    int m_processorCount = 1;
};
