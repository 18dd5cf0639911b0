#include "v3deffectadjust.h"

#include "ProjectData/cclipsettingschange.h"
#include "ProjectData/cmediasourceitem.h"
#include "ui_v3deffectadjust.h"

#include <QEvent>
#include <QIntValidator>
#include <QTimer>

namespace {

constexpr int kMinDepth = 20;
constexpr int kMaxDepth = 100;

// Refuses digits past the range while typing; a value above the range that
// reaches the box anyway (pasted, or taken as intermediate) is brought down
// to the top on Return.
class CDepthValidator : public QIntValidator
{
public:
    CDepthValidator(QObject* parent) : QIntValidator(kMinDepth, kMaxDepth, parent) {}

    void fixup(QString& input) const override
    {
        bool ok = false;
        const int v = input.toInt(&ok);
        if (ok && v > top())
            input = QString::number(top());
    }
};

} // namespace

V3DEffectAdjust::V3DEffectAdjust(QWidget* parent) : QFrame(parent, Qt::WindowFlags()), ui(new Ui::V3DEffectAdjust)
{
    RegisterEditorTypes();
    setFocusPolicy(Qt::ClickFocus);
    ui->setupUi(this);
    ui->ledtDepth->setValidator(new CDepthValidator(this));
    ui->ledtDepth->installEventFilter(this);
    ui->ledtDepth->setText("50");
    ui->sld3DDepth->setValue(50);
    ui->ledtDepth->setFocusPolicy(Qt::ClickFocus);
    connect(ui->ledtDepth, &QLineEdit::returnPressed, this, &V3DEffectAdjust::slot_lEdtDepth_returnPress);
    ReTranslate(true);
}

V3DEffectAdjust::~V3DEffectAdjust()
{
    delete ui;
}

void V3DEffectAdjust::write(const CClipSettingsChange& change)
{
    WriteClipSettings(m_projectMgr, m_clip, change);
}

namespace {

CClipSettingsChange DepthOn(bool on)
{
    CClipSettingsChange change;
    change.depthOn = on;
    return change;
}

CClipSettingsChange DepthType(int type)
{
    CClipSettingsChange change;
    change.depthType = E3DEffectType(type);
    return change;
}

} // namespace

void V3DEffectAdjust::set3DEffectRGImg(const QPixmap& image)
{
    m_rgImage = image;
    if (ui->btn3DEffectRedGreen->isChecked())
        ui->lbl3DEffectPixmap->setPixmap(m_rgImage);
}

void V3DEffectAdjust::set3DEffectRBImg(const QPixmap& image)
{
    m_rbImage = image;
    if (ui->btn3DEffectRedBlue->isChecked())
        ui->lbl3DEffectPixmap->setPixmap(m_rbImage);
}

void V3DEffectAdjust::quiet(bool off)
{
    if (off) {
        disconnect(ui->sld3DDepth, SIGNAL(valueChanged(int)), this, SLOT(on_sld3DDepth_valueChanged(int)));
        disconnect(ui->btn3DEffectRedBlue, SIGNAL(toggled(bool)), this, SLOT(on_btn3DEffectRedBlue_toggled(bool)));
        disconnect(ui->btn3DEffectRedGreen, SIGNAL(toggled(bool)), this, SLOT(on_btn3DEffectRedGreen_toggled(bool)));
    } else {
        connect(ui->sld3DDepth, SIGNAL(valueChanged(int)), this, SLOT(on_sld3DDepth_valueChanged(int)),
                Qt::UniqueConnection);
        connect(ui->btn3DEffectRedBlue, SIGNAL(toggled(bool)), this, SLOT(on_btn3DEffectRedBlue_toggled(bool)),
                Qt::UniqueConnection);
        connect(ui->btn3DEffectRedGreen, SIGNAL(toggled(bool)), this, SLOT(on_btn3DEffectRedGreen_toggled(bool)),
                Qt::UniqueConnection);
    }
}

void V3DEffectAdjust::showType()
{
    const E3DEffectType type = CClipSettings::Of(*m_clip).depthType;
    if (type == E3DEffectType(2)) {
        ui->btn3DEffectRedGreen->setChecked(true);
        ui->lbl3DEffectPixmap->setPixmap(m_rgImage);
    } else {
        if (type != E3DEffectType(1))
            write(DepthType(1));
        ui->btn3DEffectRedBlue->setChecked(true);
        ui->lbl3DEffectPixmap->setPixmap(m_rbImage);
    }
}

void V3DEffectAdjust::setEditedSourceDataItem(Fablecut::ISourceDataItem* item)
{
    m_clip = dynamic_cast<Fablecut::CMediaSourceItem*>(item);
    if (!m_clip) {
        setEnabled(false);
        return;
    }
    quiet(true);
    showType();
    const CClipSettings settings = CClipSettings::Of(*m_clip);
    ui->sld3DDepth->setValue(settings.depth);
    ui->ledtDepth->setText(QString::number(settings.depth));
    setEnabled(settings.depthOn);
    quiet(false);
    emit signal_Init3DAdjustEnableByItem(settings.depthOn, EDITORPAGE_3D);
    ReTranslate(false);
}

void V3DEffectAdjust::editorEnabledChanged(bool on)
{
    if (on)
        editorEnabledChecked();
    else
        editorEnabledNoChecked();
    ReTranslate(false);
}

void V3DEffectAdjust::editorEnabledChecked()
{
    setEnabled(true);
    write(DepthOn(true));
    quiet(true);
    if (m_clip) {
        showType();
        ui->sld3DDepth->setValue(CClipSettings::Of(*m_clip).depth);
    }
    quiet(false);
    ReTranslate(false);
}

void V3DEffectAdjust::editorEnabledNoChecked()
{
    setEnabled(false);
    write(DepthOn(false));
}

void V3DEffectAdjust::setE3DEffectAdjustEnabled(bool on)
{
    setEnabled(on);
    write(DepthOn(on));
}

int V3DEffectAdjust::getEffect3DType() const
{
    return m_clip ? int(CClipSettings::Of(*m_clip).depthType) : 0;
}

int V3DEffectAdjust::get3DDepath() const
{
    return m_clip ? CClipSettings::Of(*m_clip).depth : -1;
}

bool V3DEffectAdjust::getEditorEnableVariable() const
{
    return CClipSettings::Of(m_clip).depthOn;
}

void V3DEffectAdjust::ReTranslate(bool bUi)
{
    if (bUi)
        ui->retranslateUi(this);
    // The clip is named while it is selected, its effects switched on or not.
    if (m_clip)
        ui->lblCurrentClipName->setText(tr(" Current Clip Name: %1", "片段名: %1").arg(m_clip->Name()));
    else
        ui->lblCurrentClipName->setText(tr("Current Clip Name: No Clip", "片段名: 无片段"));
}

void V3DEffectAdjust::slot_reset()
{
    if (!m_clip)
        return;
    ui->btn3DEffectRedBlue->setChecked(true);
    ui->btn3DEffectRedGreen->setChecked(false);
    ui->sld3DDepth->setValue(50);
}

bool V3DEffectAdjust::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        ReTranslate(true);
    return QFrame::event(e);
}

void V3DEffectAdjust::clampBox()
{
    const QString text = ui->ledtDepth->text();
    const int value = text.toInt();
    if (text.isEmpty() || value < kMinDepth)
        ui->ledtDepth->setText(QString::number(kMinDepth));
    else if (value > kMaxDepth)
        ui->ledtDepth->setText(QString::number(kMaxDepth));
}

bool V3DEffectAdjust::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == ui->ledtDepth) {
        if (e->type() == QEvent::FocusIn)
            QTimer::singleShot(0, ui->ledtDepth, &QLineEdit::selectAll);
        else if (e->type() == QEvent::FocusOut)
            clampBox();
    }
    return QFrame::eventFilter(watched, e);
}

void V3DEffectAdjust::on_btn3DEffectRedBlue_toggled(bool checked)
{
    if (!checked)
        return;
    ui->lbl3DEffectPixmap->setPixmap(m_rbImage);
    write(DepthType(1));
    emit signal_effect3DAdjustApplayToCurSelectedClips();
}

void V3DEffectAdjust::on_btn3DEffectRedGreen_toggled(bool checked)
{
    if (!checked)
        return;
    ui->lbl3DEffectPixmap->setPixmap(m_rgImage);
    write(DepthType(2));
    emit signal_effect3DAdjustApplayToCurSelectedClips();
}

void V3DEffectAdjust::on_sld3DDepth_valueChanged(int value)
{
    ui->ledtDepth->setText(QString("%1").arg(value));
    CClipSettingsChange change;
    change.depth = value;
    write(change);
    emit signal_effect3DAdjustApplayToCurSelectedClips();
}

void V3DEffectAdjust::on_btnDepthAdd_clicked()
{
    if (ui->sld3DDepth->value() < kMaxDepth)
        ui->sld3DDepth->setValue(ui->sld3DDepth->value() + 1);
}

void V3DEffectAdjust::on_btnDepthReduce_clicked()
{
    if (ui->sld3DDepth->value() > kMinDepth)
        ui->sld3DDepth->setValue(ui->sld3DDepth->value() - 1);
}

void V3DEffectAdjust::on_ledtDepth_editingFinished()
{
    ui->sld3DDepth->setValue(ui->ledtDepth->text().toInt());
}

void V3DEffectAdjust::on_ledtDepth_textEdited(const QString& text)
{
    ui->ledtDepth->setText(text);
}

void V3DEffectAdjust::slot_lEdtDepth_returnPress()
{
    ui->ledtDepth->clearFocus();
}
