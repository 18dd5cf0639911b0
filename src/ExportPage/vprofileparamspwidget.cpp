#include "vprofileparamspwidget.h"
#include "ui_vprofileparamspwidget.h"

#include "CBaseException.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "profileparamtext.h"

#include <QComboBox>

namespace {
const char* const kSource = "src/ExportPage/vprofileparamspwidget";
}

VProfileParamSPWidget::VProfileParamSPWidget(QWidget* parent)
    : VProfileParamBase(parent, kSource), ui(new Ui::VProfileParamSPWidget)
{
    ui->setupUi(this);
    initPageControlElems();
}

VProfileParamSPWidget::~VProfileParamSPWidget()
{
    delete ui;
}

void VProfileParamSPWidget::fillLists(IProfile* profile)
{
    showColItem(profile->GetAChannelItem(), ui->cbbAChannels, profile->GetAudioProfile()->GetChannels(),
                FlagChannelNames);
    IVideoProfile* video = profile->GetVideoProfile();
    showColItem(profile->GetVSizeItem(), ui->cbbVSize,
                ProfileParamText::SizeText(video->GetWidth(), video->GetHeight()), FlagEditable);
}

bool VProfileParamSPWidget::writeLists(IProfile* profile, bool)
{
    int width = 0, height = 0;
    ProfileParamText::ReadSize(C_CBBTEXT(ui->cbbVSize), width, height);
    // Asking has no caller; an out-of-range size is reset either way.
    if (width > 5000 || height > 5000)
        width = height = 0;
    const int channels = ChannelCountOfText(C_CBBTEXT(ui->cbbAChannels));
    if (channels == -1)
        throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__, kSource);

    IAudioProfile* audio = profile->GetAudioProfile();
    IProfile* offered = m_pCurProfile ? m_pCurProfile : profile;
    IColItem* column = offered->GetABitrateItem();
    const char* values = column ? column->GetValueList() : "";
    const char* codec = audio->GetCodecName();
    const char* answer =
        m_pMirendo->GetAudioBitrateList(codec ? codec : "", audio->GetSampleRate(), channels, values ? values : "");
    const QStringList fitting = QString::fromLatin1(answer ? answer : "").split(',', Qt::KeepEmptyParts);
    if (!fitting.contains(QString::number(audio->GetBitrate())))
        audio->SetBitrate(fitting.isEmpty() ? 0 : fitting.last().toInt());
    audio->SetChannels(channels);
    IVideoProfile* video = profile->GetVideoProfile();
    video->SetWidth(width);
    video->SetHeight(height);
    return true;
}

void VProfileParamSPWidget::setComcoboxStyleSheet(QString sheet)
{
    m_styleSheet = sheet;
    ui->cbbVSize->setStyleSheet(sheet);
    ui->cbbAChannels->setStyleSheet(sheet);
}

void VProfileParamSPWidget::Retranslate()
{
    ui->retranslateUi(this);
}
