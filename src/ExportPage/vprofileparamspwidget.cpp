#include "vprofileparamspwidget.h"
#include "ui_vprofileparamspwidget.h"

#include "CBaseException.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "profile_data.h"

#include <QComboBox>
#include <QEvent>

namespace {
const char* const kSource = "src/ExportPage/vprofileparamspwidget";
}

VProfileParamSPWidget::VProfileParamSPWidget(QWidget* parent)
    : QFrame(parent)
    , ui(new Ui::VProfileParamSPWidget)
{
    ui->setupUi(this);
    initPageControlElems();
}

VProfileParamSPWidget::~VProfileParamSPWidget()
{
    if (m_pMirendo)
        m_pMirendo->Release();
    delete ui;
}

void VProfileParamSPWidget::initPageControlElems()
{
    m_pMirendo = CreateMirendo();
    if (!m_pMirendo)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
}

void VProfileParamSPWidget::showColItem(IColItem* pItem, QComboBox* pComboBox, QVariant value, ColItemFlags flags)
{
    int rename = 0;
    if (flags & FlagChannelNames)
        rename = FlagChannelNames;
    else if (flags & FlagBitrateNames)
        rename = FlagBitrateNames;
    ProfileParamText::FillList(pItem, pComboBox, value, rename, flags.testFlag(FlagEditable), m_styleSheet);
}

void VProfileParamSPWidget::showProfile(IProfile* profile)
{
    QB_GUARDED_VOID({
        m_pCurProfile = profile;
        if (!profile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        showColItem(profile->GetAChannelItem(), ui->cbbAChannels, profile->GetAudioProfile()->GetChannels(),
                    FlagChannelNames);
        IVideoProfile* video = profile->GetVideoProfile();
        showColItem(profile->GetVSizeItem(), ui->cbbVSize,
                    ProfileParamText::SizeText(video->GetWidth(), video->GetHeight()), FlagEditable);
    });
}

bool VProfileParamSPWidget::SaveSettingToCurProfile()
{
    return QB_GUARDED(false, {
        if (!m_pCurProfile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        return saveToProfile(m_pCurProfile, false);
    });
}

bool VProfileParamSPWidget::saveToProfile(IProfile* profile, bool)
{
    try {
        if (!profile)
            throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
        if (IsRemuxProfile(profile))
            return true;
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
        const char* answer = m_pMirendo->GetAudioBitrateList(codec ? codec : "", audio->GetSampleRate(), channels,
                                                              values ? values : "");
        const QStringList fitting = QString::fromLatin1(answer ? answer : "").split(',', Qt::KeepEmptyParts);
        if (!fitting.contains(QString::number(audio->GetBitrate())))
            audio->SetBitrate(fitting.isEmpty() ? 0 : fitting.last().toInt());
        audio->SetChannels(channels);
        IVideoProfile* video = profile->GetVideoProfile();
        video->SetWidth(width);
        video->SetHeight(height);
        return true;
    } catch (std::exception& e) {
        throw CBaseException(QB_ERR_STD_EXCEPTION, e.what(), __LINE__, kSource);
    } catch (...) {
        throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__, kSource);
    }
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

bool VProfileParamSPWidget::event(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        Retranslate();
    return QFrame::event(e);
}
