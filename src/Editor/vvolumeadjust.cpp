#include "vvolumeadjust.h"

#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cmediasourceitem.h"
#include "editorpage.h"
#include "ui_vvolumeadjust.h"

#include <QEvent>

#include <cmath>

VVolumeAdjust::VVolumeAdjust(QWidget* parent) : QFrame(parent), ui(new Ui::VVolumeAdjust)
{
    ui->setupUi(this);
    ReTranslate(true);
}

VVolumeAdjust::~VVolumeAdjust()
{
    delete ui;
}

void VVolumeAdjust::write(const CClipSettingsChange& change)
{
    WriteClipSettings(m_projectMgr, m_clip, change);
}

void VVolumeAdjust::setEditedSourceDataItem(Fablecut::ISourceDataItem* item)
{
    Fablecut::CMediaSourceItem* clip = dynamic_cast<Fablecut::CMediaSourceItem*>(item);
    m_clip = clip;
    if (!clip)
        return;
    const CClipSoundLines sound = CClipSettings::Of(*clip).SoundLines();
    disconnect(ui->sldVolumeAdjust, SIGNAL(valueChanged(int)), this, SLOT(on_sldVolumeAdjust_valueChanged(int)));
    // Rounded, so that a percentage written by the slider reads back as
    // written (0.29 shows 29); the slider clamps to 1..400.
    const double percent = sound.volume * 100.0;
    const int shown = std::isfinite(percent) ? int(qBound(-1.0, std::round(percent), 1000.0)) : 100;
    ui->sldVolumeAdjust->setValue(shown);
    ui->lblVolumeValue->setText(QString("%1").arg(ui->sldVolumeAdjust->value()));
    connect(ui->sldVolumeAdjust, SIGNAL(valueChanged(int)), this, SLOT(on_sldVolumeAdjust_valueChanged(int)),
            Qt::UniqueConnection);
    ui->btnVolumeControl->setChecked(sound.mute);
    ui->sldVolumeAdjust->setEnabled(!sound.mute);
    ReTranslate(false);
}

void VVolumeAdjust::ReTranslate(bool bUi)
{
    if (bUi)
        ui->retranslateUi(this);
    if (m_clip)
        ui->lblCurrentClipName->setText(tr(" Current Clip Name: %1", "片段名: %1").arg(m_clip->Name()));
    else
        ui->lblCurrentClipName->setText(tr("Current Clip Name: No Clip", "片段名: 无片段"));
}

bool VVolumeAdjust::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate(true);
    return QFrame::event(e);
}

void VVolumeAdjust::slot_Reset()
{
    ui->sldVolumeAdjust->setEnabled(true);
    ui->sldVolumeAdjust->setValue(100);
    ui->btnVolumeControl->setChecked(false);
    CClipSettingsChange change;
    change.mute = false;
    write(change);
    emit signal_volumAdjustApplayToCurSelectedClips();
}

void VVolumeAdjust::on_sldVolumeAdjust_valueChanged(int value)
{
    ui->lblVolumeValue->setText(QString("%1").arg(value));
    if (!m_clip)
        return;
    CClipSettingsChange change;
    change.volume = value / 100.0;
    write(change);
    emit signal_volumAdjustApplayToCurSelectedClips();
}

void VVolumeAdjust::on_btnVolumeControl_clicked(bool checked)
{
    if (!m_clip)
        return;
    CClipSettingsChange change;
    change.mute = checked;
    write(change);
    ui->sldVolumeAdjust->setEnabled(!checked);
    emit signal_volumAdjustApplayToCurSelectedClips();
}
