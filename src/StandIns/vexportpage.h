#pragma once

// The output page, as far as the main window needs it before the output side
// exists: it keeps what it is handed and holds no task.

#include <QFrame>

class CTimelineItem;
namespace Moorland { class IAVConverter; class IAVManager; }

class VExportPage : public QFrame
{
    Q_OBJECT
public:
    explicit VExportPage(QWidget* parent = nullptr);

    int getOutputTaskCount() const { return 0; }
    void initProfileNodeMgr() {}
    void initProfileSettingPage() {}
    void initConnection() {}
    void SetAVConverter(Moorland::IAVConverter* converter) { m_converter = converter; }
    void SetAVManager(Moorland::IAVManager* manager) { m_manager = manager; }
    void setTimeLineItem(const CTimelineItem* timeline) { m_timeline = timeline; }
    void updateOutputResListWidget() { ++m_refreshes; }

    const CTimelineItem* timeLineItem() const { return m_timeline; }
    int refreshCount() const { return m_refreshes; }

private:
    Moorland::IAVConverter* m_converter = nullptr;
    Moorland::IAVManager* m_manager = nullptr;
    const CTimelineItem* m_timeline = nullptr;
    int m_refreshes = 0;
};
