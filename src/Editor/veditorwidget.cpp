#include "veditorwidget.h"

#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cmediasourceitem.h"
#include "ui_veditorwidget.h"
#include "v3deffectadjust.h"
#include "veffectadjust.h"
#include "vvolumeadjust.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QStackedWidget>

VEditorWidget::VEditorWidget(QWidget* parent) : QFrame(parent), ui(new Ui::VEditorWidget)
{
    RegisterEditorTypes();
    ui->setupUi(this);
    m_effectPage = new VEffectAdjust(this);
    m_volumePage = new VVolumeAdjust(this);
    m_3dPage = new V3DEffectAdjust(this);
    m_stack = new QStackedWidget(this);
    m_stack->addWidget(m_effectPage);
    m_stack->addWidget(m_volumePage);
    m_stack->addWidget(m_3dPage);
    auto* layout = new QHBoxLayout(ui->frmEditorPage);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_stack);

    connect(m_effectPage, &VEffectAdjust::signal_editorApplayToCurSelectedClips, this,
            &VEditorWidget::signal_editorApplayToCurSelectedClips);
    connect(m_effectPage, &VEffectAdjust::signal_InitVideoEffectAdjustEnableByItem, this,
            &VEditorWidget::slot_initChecBox_EffectEnabledByItem);
    connect(m_3dPage, &V3DEffectAdjust::signal_effect3DAdjustApplayToCurSelectedClips, this,
            &VEditorWidget::signal_editorApplayToCurSelectedClips);
    connect(m_3dPage, &V3DEffectAdjust::signal_Init3DAdjustEnableByItem, this,
            &VEditorWidget::slot_initChecBox_EffectEnabledByItem);
    connect(m_volumePage, &VVolumeAdjust::signal_volumAdjustApplayToCurSelectedClips, this,
            &VEditorWidget::signal_editorApplayToCurSelectedClips);
    ReTranslate();
}

VEditorWidget::~VEditorWidget()
{
    delete ui;
}

Fablecut::CMediaSourceItem* VEditorWidget::clip() const
{
    return dynamic_cast<Fablecut::CMediaSourceItem*>(m_item);
}

void VEditorWidget::setProjectMgr(CMProjectMgr* manager)
{
    m_projectMgr = manager;
    m_effectPage->setProjectMgr(manager);
    m_volumePage->setProjectMgr(manager);
    m_3dPage->setProjectMgr(manager);
}

void VEditorWidget::writeVideoEffectOn(bool on)
{
    CClipSettingsChange change;
    change.videoEffectOn = on;
    change.videoTurnOn = on;
    WriteClipSettings(m_projectMgr, clip(), change);
}

void VEditorWidget::setCheckBoxQuietly(bool checked)
{
    disconnect(ui->CheckBox_EffectEnabled, SIGNAL(stateChanged(int)), this,
               SLOT(on_CheckBox_EffectEnabled_stateChanged(int)));
    ui->CheckBox_EffectEnabled->setChecked(checked);
    connect(ui->CheckBox_EffectEnabled, SIGNAL(stateChanged(int)), this,
            SLOT(on_CheckBox_EffectEnabled_stateChanged(int)), Qt::UniqueConnection);
}

void VEditorWidget::setCurrentEditorPage(EDITORPAGE page)
{
    m_page = page;
    switch (page) {
    case EDITORPAGE_EFFECTS:
        ui->CheckBox_EffectEnabled->show();
        m_stack->setCurrentWidget(m_effectPage);
        ui->llblEditorEffectName->setText(tr("Effects", "特效"));
        break;
    case EDITORPAGE_VOLUME:
        m_stack->setCurrentWidget(m_volumePage);
        ui->llblEditorEffectName->setText(tr("Volume Adjustment", "音量"));
        ui->CheckBox_EffectEnabled->hide();
        break;
    case EDITORPAGE_3D:
        ui->CheckBox_EffectEnabled->show();
        m_stack->setCurrentWidget(m_3dPage);
        ui->llblEditorEffectName->setText(tr("3D Effect", "3D 效果"));
        break;
    default: break;
    }
}

void VEditorWidget::setInitEditorPageSourceDataItem(Fablecut::ISourceDataItem* item)
{
    m_item = item;
    m_effectPage->setEditedSourceDataItem(item);
    m_volumePage->setEditedSourceDataItem(item);
    m_3dPage->setEditedSourceDataItem(item);
}

void VEditorWidget::setEditorEnabled()
{
    Fablecut::CMediaSourceItem* c = clip();
    if (!c)
        return;
    const CClipSettings settings = CClipSettings::Of(*c);
    if (m_page == EDITORPAGE_3D) {
        const bool b = settings.depthOn;
        m_3dPage->editorEnabledChanged(b);
        setCheckBoxQuietly(b);
    } else if (m_page == EDITORPAGE_EFFECTS) {
        const bool b = settings.videoEffectOn && settings.videoTurnOn;
        writeVideoEffectOn(b);
        setCheckBoxQuietly(b);
    }
}

void VEditorWidget::on_CheckBox_EffectEnabled_stateChanged(int state)
{
    const bool on = state == Qt::Checked;
    if (m_page == EDITORPAGE_3D) {
        m_3dPage->editorEnabledChanged(on);
    } else if (m_page == EDITORPAGE_EFFECTS) {
        m_effectPage->editorEnabledChanged(on);
        writeVideoEffectOn(on);
    }
    emit signal_editorEnableChagned();
}

void VEditorWidget::slot_initChecBox_EffectEnabledByItem(bool enabled, EDITORPAGE page)
{
    if (page == EDITORPAGE_EFFECTS) {
        writeVideoEffectOn(enabled);
    } else if (page == EDITORPAGE_3D) {
        CClipSettingsChange change;
        change.depthOn = enabled;
        WriteClipSettings(m_projectMgr, clip(), change);
    }
    if (page == m_page)
        setCheckBoxQuietly(enabled);
}

void VEditorWidget::on_btnReset_clicked()
{
    switch (m_page) {
    case EDITORPAGE_EFFECTS:
        ui->CheckBox_EffectEnabled->setCheckState(Qt::Checked);
        m_effectPage->slot_reset();
        break;
    case EDITORPAGE_VOLUME: m_volumePage->slot_Reset(); break;
    case EDITORPAGE_3D:
        ui->CheckBox_EffectEnabled->setCheckState(Qt::Unchecked);
        m_3dPage->slot_reset();
        break;
    default: break;
    }
}

void VEditorWidget::on_btnApplyToAllClipItems_clicked()
{
    emit signal_editorApplyToAllTimeLineViewClipItems(m_page);
}

void VEditorWidget::ReTranslate()
{
    ui->retranslateUi(this);
    switch (m_page) {
    case EDITORPAGE_EFFECTS: ui->llblEditorEffectName->setText(tr("Effects", "特效")); break;
    case EDITORPAGE_VOLUME: ui->llblEditorEffectName->setText(tr("Volume Adjustment", "音量")); break;
    case EDITORPAGE_3D: ui->llblEditorEffectName->setText(tr("3D Effect", "3D 效果")); break;
    default: break;
    }
}

bool VEditorWidget::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate();
    return QFrame::event(e);
}
