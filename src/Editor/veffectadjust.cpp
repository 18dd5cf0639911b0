#include "veffectadjust.h"

#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cmediasourceitem.h"
#include "ui_veffectadjust.h"

#include <QEvent>

namespace {

void Step(QSlider* slider, int delta)
{
    slider->setValue(qBound(slider->minimum(), slider->value() + delta, slider->maximum()));
}

} // namespace

VEffectAdjust::VEffectAdjust(QWidget* parent) : QFrame(parent), ui(new Ui::VEffectAdjust)
{
    RegisterEditorTypes();
    ui->setupUi(this);
    connect(ui->wEffectOptions, &VEffectOptions::signal_effectChanged, this, &VEffectAdjust::slot_effectChanged);
}

VEffectAdjust::~VEffectAdjust()
{
    delete ui;
}

void VEffectAdjust::write(const CClipSettingsChange& change)
{
    WriteClipSettings(m_projectMgr, m_clip, change);
}

namespace {

CClipSettingsChange VideoEffectOn(bool on)
{
    CClipSettingsChange change;
    change.videoEffectOn = on;
    return change;
}

} // namespace

// Takes the sliders' and the chooser's handlers off (off true) or puts them
// back, so that filling the controls writes nothing and emits nothing.
void VEffectAdjust::quiet(bool off)
{
    if (off) {
        disconnect(ui->sldEffectBrightness, SIGNAL(valueChanged(int)), this,
                   SLOT(on_sldEffectBrightness_valueChanged(int)));
        disconnect(ui->sldEffectContrast, SIGNAL(valueChanged(int)), this,
                   SLOT(on_sldEffectContrast_valueChanged(int)));
        disconnect(ui->sldEffectSaturation, SIGNAL(valueChanged(int)), this,
                   SLOT(on_sldEffectSaturation_valueChanged(int)));
        disconnect(ui->wEffectOptions, &VEffectOptions::signal_effectChanged, this, &VEffectAdjust::slot_effectChanged);
    } else {
        connect(ui->sldEffectBrightness, SIGNAL(valueChanged(int)), this,
                SLOT(on_sldEffectBrightness_valueChanged(int)), Qt::UniqueConnection);
        connect(ui->sldEffectContrast, SIGNAL(valueChanged(int)), this, SLOT(on_sldEffectContrast_valueChanged(int)),
                Qt::UniqueConnection);
        connect(ui->sldEffectSaturation, SIGNAL(valueChanged(int)), this,
                SLOT(on_sldEffectSaturation_valueChanged(int)), Qt::UniqueConnection);
        connect(ui->wEffectOptions, &VEffectOptions::signal_effectChanged, this, &VEffectAdjust::slot_effectChanged,
                Qt::UniqueConnection);
    }
}

void VEffectAdjust::setEditedSourceDataItem(Fablecut::ISourceDataItem* item)
{
    m_clip = dynamic_cast<Fablecut::CMediaSourceItem*>(item);
    if (!m_clip) {
        setEnabled(false);
        return;
    }
    const CClipSettings settings = CClipSettings::Of(*m_clip);
    quiet(true);
    ui->sldEffectBrightness->setValue(settings.brightness);
    ui->sldEffectContrast->setValue(settings.contrast);
    ui->sldEffectSaturation->setValue(settings.saturation);
    ui->wEffectOptions->SetCurEffect(settings.effect);
    const bool en = settings.videoEffectOn && settings.videoTurnOn;
    setEnabled(en);
    write(VideoEffectOn(en));
    quiet(false);
    ReTranslate(false);
    emit signal_InitVideoEffectAdjustEnableByItem(en, EDITORPAGE_EFFECTS);
}

CClipSettings VEffectAdjust::Settings() const
{
    return CClipSettings::Of(m_clip);
}

int VEffectAdjust::GetBrightness() const
{
    return Settings().brightness;
}

int VEffectAdjust::GetContrast() const
{
    return Settings().contrast;
}

int VEffectAdjust::GetSaturation() const
{
    return Settings().saturation;
}

EffectType VEffectAdjust::GetCurEffectType() const
{
    return Settings().effect;
}

bool VEffectAdjust::GetIsMirror() const
{
    return Settings().mirror;
}

bool VEffectAdjust::GetIsVerReverse() const
{
    return Settings().verReverse;
}

int VEffectAdjust::GetRotationAngle() const
{
    return Settings().rotationAngle;
}

bool VEffectAdjust::getEditorEnableVariable() const
{
    const CClipSettings settings = Settings();
    return settings.videoEffectOn && settings.videoTurnOn;
}

void VEffectAdjust::setEffectAjustEnabled(bool b)
{
    setEnabled(b);
    write(VideoEffectOn(b));
}

void VEffectAdjust::editorEnabledNoChecked()
{
    setEnabled(false);
    write(VideoEffectOn(false));
}

void VEffectAdjust::fillFromClip()
{
    const CClipSettings settings = CClipSettings::Of(*m_clip);
    quiet(true);
    ui->wEffectOptions->SetCurEffect(settings.effect);
    ui->sldEffectBrightness->setValue(settings.brightness);
    ui->sldEffectContrast->setValue(settings.contrast);
    ui->sldEffectSaturation->setValue(settings.saturation);
    quiet(false);
}

void VEffectAdjust::editorEnabledChecked()
{
    setEnabled(true);
    if (m_clip) {
        write(VideoEffectOn(true));
        fillFromClip();
    }
}

void VEffectAdjust::editorEnabledChanged(bool on)
{
    if (on)
        editorEnabledChecked();
    else
        editorEnabledNoChecked();
    ReTranslate(false);
}

void VEffectAdjust::CheckSlelected()
{
    ui->wEffectOptions->CheckSlelected();
}

void VEffectAdjust::ReTranslate(bool bUi)
{
    if (bUi)
        ui->retranslateUi(this);
    // The clip is named while it is selected, its effects switched on or not.
    if (m_clip)
        ui->lblCurrentClipName->setText(tr(" Current Clip Name: %1", "片段名: %1").arg(m_clip->Name()));
    else
        ui->lblCurrentClipName->setText(tr("Current Clip Name: No Clip", "片段名: 无片段"));
}

bool VEffectAdjust::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate(true);
    return QFrame::event(e);
}

void VEffectAdjust::on_sldEffectBrightness_valueChanged(int value)
{
    ui->sldEffectBrightness->setToolTip(QString("%1").arg(value));
    CClipSettingsChange change;
    change.brightness = value;
    write(change);
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_sldEffectContrast_valueChanged(int value)
{
    ui->sldEffectContrast->setToolTip(QString("%1").arg(value));
    CClipSettingsChange change;
    change.contrast = value;
    write(change);
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_sldEffectSaturation_valueChanged(int value)
{
    ui->sldEffectSaturation->setToolTip(QString("%1").arg(value));
    CClipSettingsChange change;
    change.saturation = value;
    write(change);
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_btnFlipHorizontal_clicked()
{
    if (m_clip) {
        CClipSettingsChange change;
        change.mirror = !Settings().mirror;
        write(change);
    }
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_btnFlipVertical_clicked()
{
    if (m_clip) {
        CClipSettingsChange change;
        change.verReverse = !Settings().verReverse;
        write(change);
    }
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_btnRotateCW_clicked()
{
    if (m_clip) {
        CClipSettingsChange change;
        change.rotationAngle = Settings().rotationAngle - 90;
        write(change);
    }
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_btnRotateCCW_clicked()
{
    if (m_clip) {
        CClipSettingsChange change;
        change.rotationAngle = Settings().rotationAngle + 90;
        write(change);
    }
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::on_btnBrightnessReduce_clicked()
{
    Step(ui->sldEffectBrightness, -1);
}

void VEffectAdjust::on_btnBrightnessAdd_clicked()
{
    Step(ui->sldEffectBrightness, 1);
}

void VEffectAdjust::on_btnSaturationReduce_clicked()
{
    Step(ui->sldEffectSaturation, -1);
}

void VEffectAdjust::on_btnSaturationAdd_clicked()
{
    Step(ui->sldEffectSaturation, 1);
}

void VEffectAdjust::on_btnConstrastReduce_clicked()
{
    Step(ui->sldEffectContrast, -1);
}

void VEffectAdjust::on_btnConstrastAdd_clicked()
{
    Step(ui->sldEffectContrast, 1);
}

void VEffectAdjust::slot_effectChanged(EffectType eType)
{
    if (!m_clip)
        return;
    CClipSettingsChange change;
    change.effect = eType;
    write(change);
    emit signal_editorApplayToCurSelectedClips();
}

void VEffectAdjust::slot_reset()
{
    quiet(true);
    ui->sldEffectBrightness->setValue(0);
    ui->sldEffectContrast->setValue(0);
    ui->sldEffectSaturation->setValue(0);
    ui->wEffectOptions->RedefaultEffect();
    ui->sldEffectContrast->setToolTip(QString("%1").arg(ui->sldEffectContrast->value()));
    ui->sldEffectBrightness->setToolTip(QString("%1").arg(ui->sldEffectBrightness->value()));
    ui->sldEffectSaturation->setToolTip(QString("%1").arg(ui->sldEffectSaturation->value()));
    CClipSettingsChange change;
    change.rotationAngle = 0;
    change.saturation = 0;
    change.brightness = 0;
    change.contrast = 0;
    change.mirror = false;
    change.verReverse = false;
    change.effect = EffectNone;
    write(change);
    emit signal_editorApplayToCurSelectedClips();
    quiet(false);
}

void VEffectAdjust::closeData()
{
    ui->lblCurrentClipName->setText(tr("Clip Name: No Clip", "片段名: 无片段"));
    m_clip = nullptr;
    setEnabled(true);
}
