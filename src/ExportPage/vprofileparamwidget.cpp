#include "vprofileparamwidget.h"
#include "ui_vprofileparamwidget.h"

#include "CBaseException.h"
#include "IMirendo.h"
#include "IProfile.h"
#include "ProfileManager/ProfileMap.h"
#include "ProfileManager/ProfileNodeManager.h"
#include "ProfileManager/profileConfig.h"
#include "ProfileManager/profile_data.h"
#include "profileparamtext.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>

namespace {
const char* const kSource = "src/ExportPage/vprofileparamwidget";

bool IsAutoText(const QString& text)
{
    return text.compare(ProfileMap::instance.strAuto, Qt::CaseInsensitive) == 0;
}
} // namespace

QString C_CBBTEXT(QComboBox* pComboBox)
{
    if (!pComboBox)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSource);
    if (pComboBox->isEditable())
        return pComboBox->lineEdit() ? pComboBox->lineEdit()->text() : pComboBox->currentText();
    return pComboBox->currentIndex() >= 0 ? pComboBox->itemText(pComboBox->currentIndex()) : QString();
}

int ChannelCountOfText(const QString& text)
{
    const int named = ProfileMap::instance.mapValueOfAChannel(text);
    if (named != -1)
        return named;
    // A count the name table does not know (4 channels, say) is offered by
    // its number and kept as that number.
    bool ok = false;
    const int count = text.trimmed().toInt(&ok);
    return ok && count > 0 ? count : -1;
}

VProfileParamWidget::VProfileParamWidget(QWidget* parent)
    : VProfileParamBase(parent, kSource), ui(new Ui::VProfileParamWidget)
{
    ui->setupUi(this);
    initPageControlElems();
}

VProfileParamWidget::~VProfileParamWidget()
{
    delete ui;
}

void VProfileParamWidget::initPageControlElems()
{
    VProfileParamBase::initPageControlElems();
    for (QComboBox* box : {ui->cbbACodec, ui->cbbASampleRate, ui->cbbAChannels})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &VProfileParamWidget::cbbFilter_currentIndexChanged);
    for (QComboBox* box : {ui->cbbVSize, ui->cbbVFrameRate, ui->cbbVBitRate, ui->cbbABitRate}) {
        connect(box, &QComboBox::editTextChanged, this, &VProfileParamWidget::cbb_editTextChanged);
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &VProfileParamWidget::cbb_currentIndexChanged);
    }
    connect(ui->cbbVCodec, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &VProfileParamWidget::cbbVCodec_currentIndexChanged);
}

void VProfileParamWidget::fillLists(IProfile* profile)
{
    const int include = profile->GetFileProfile()->GetAVInclude();
    IAudioProfile* audio = profile->GetAudioProfile();
    IVideoProfile* video = profile->GetVideoProfile();
    if (include == 2) {
        ui->gbAudio->setEnabled(false);
        for (QComboBox* box : {ui->cbbACodec, ui->cbbABitRate, ui->cbbASampleRate, ui->cbbAChannels})
            box->clear();
    } else {
        ui->gbAudio->setEnabled(true);
        // The bitrates are narrowed once, for the profile's own codec, sample
        // rate and channels: narrowing while the lists are half filled would
        // pick a bitrate from the previous profile's choices and so change
        // the profile just by showing it.
        m_bFilling = true;
        try {
            showColItem(profile->GetACodecItem(), ui->cbbACodec, QString::fromLatin1(audio->GetCodecName()), {});
            showColItem(profile->GetABitrateItem(), ui->cbbABitRate, audio->GetBitrate(), {});
            showColItem(profile->GetASampleRateItem(), ui->cbbASampleRate, audio->GetSampleRate(), {});
            showColItem(profile->GetAChannelItem(), ui->cbbAChannels, audio->GetChannels(), FlagChannelNames);
        } catch (...) {
            m_bFilling = false;
            throw;
        }
        m_bFilling = false;
        cbbFilter_currentIndexChanged(-1);
    }
    if (include == 1) {
        ui->gbVideo->setEnabled(false);
        for (QComboBox* box : {ui->cbbVCodec, ui->cbbVBitRate, ui->cbbVFrameRate, ui->cbbVSize})
            box->clear();
        return;
    }
    ui->gbVideo->setEnabled(true);
    showColItem(profile->GetVCodecItem(), ui->cbbVCodec, QString::fromLatin1(video->GetCodecName()), {});
    showColItem(profile->GetVBitrateItem(), ui->cbbVBitRate, video->GetBitrate(), FlagEditable | FlagBitrateNames);
    showColItem(profile->GetVFramerateItem(), ui->cbbVFrameRate, video->GetFrameRate(), FlagEditable);
    showColItem(profile->GetVSizeItem(), ui->cbbVSize,
                ProfileParamText::SizeText(video->GetWidth(), video->GetHeight()), FlagEditable);
}

void VProfileParamWidget::cbbFilter_currentIndexChanged(int)
{
    if (m_bFilling || !m_pCurProfile || !ui->gbAudio->isEnabled())
        return;
    QB_GUARDED_VOID({
        IColItem* column = m_pCurProfile->GetABitrateItem();
        const char* values = column ? column->GetValueList() : "";
        const int channels = ChannelCountOfText(C_CBBTEXT(ui->cbbAChannels));
        const char* answer = m_pMirendo->GetAudioBitrateList(C_CBBTEXT(ui->cbbACodec).toLatin1().constData(),
                                                             int(C_CBBTEXT(ui->cbbASampleRate).toUInt()), channels,
                                                             values ? values : "");
        const QString remembered = C_CBBTEXT(ui->cbbABitRate);
        ui->cbbABitRate->clear();
        ui->cbbABitRate->addItems(QString::fromLatin1(answer ? answer : "").split(',', Qt::KeepEmptyParts));
        const int keep = ui->cbbABitRate->findText(remembered, Qt::MatchExactly | Qt::MatchCaseSensitive);
        ui->cbbABitRate->setCurrentIndex(keep >= 0 ? keep : ui->cbbABitRate->count() - 1);
    });
}

bool VProfileParamWidget::writeLists(IProfile* profile, bool bAsk)
{
    const bool videoOn = ui->gbVideo->isEnabled();
    const bool audioOn = ui->gbAudio->isEnabled();
    ProfileMap& names = ProfileMap::instance;

    int width = 0, height = 0, bitrate = 0;
    double frameRate = 0;
    QString codec, fourCC;
    if (videoOn) {
        ProfileParamText::ReadSize(C_CBBTEXT(ui->cbbVSize), width, height);
        const bool sizeOut = width > 5000 || height > 5000;

        QString bitrateText = C_CBBTEXT(ui->cbbVBitRate);
        bool bitrateOut = false;
        if (IsAutoText(bitrateText)) {
            bitrate = -1;
        } else if (int named = names.mapValueOfVBitrate(bitrateText); named != -1) {
            bitrate = named;
        } else {
            const unsigned kbps = bitrateText.toUInt();
            bitrateOut = kbps > 30000;
            bitrate = int(std::min(kbps, 30001u));
        }

        QString rateText = C_CBBTEXT(ui->cbbVFrameRate);
        bool rateOut = false;
        if (IsAutoText(rateText)) {
            frameRate = -1;
        } else if (int named = names.mapValueOfVFramerate(rateText); named != -1) {
            frameRate = named;
        } else {
            frameRate = rateText.toDouble();
            rateOut = frameRate < 0 || frameRate > 120;
        }

        codec = C_CBBTEXT(ui->cbbVCodec);
        const char* ext = profile->GetFileProfile()->GetFileExt();
        if (ext && QString::fromLatin1(ext) == ".avi") {
            if (IColItem* column = profile->GetColItem("FourCC")) {
                const char* list = column->GetValueList();
                const QStringList codes = QString::fromLatin1(list ? list : "").split(',', Qt::KeepEmptyParts);
                const int index = ui->cbbVCodec->currentIndex();
                if (index >= 0 && index < codes.size())
                    fourCC = codes.at(index);
                column->Release();
            }
        }

        const struct
        {
            bool out;
            const char* question;
        } checks[] = {
            {sizeOut, "Video size not match,do you want to reset the param?"},
            {bitrateOut, "Video bitrate not match,do you want to reset the param?"},
            {rateOut, "Video framerate not match,do you want to reset the param?"},
        };
        for (int i = 0; i < 3; ++i) {
            if (!checks[i].out)
                continue;
            if (bAsk) {
                const QString title = m_pNodeMgr ? m_pNodeMgr->getProfileConfig()->getAppName() : QString();
                const auto answer =
                    QMessageBox::question(this, title, tr(checks[i].question), QMessageBox::Ok | QMessageBox::Cancel);
                if (answer == QMessageBox::Ok)
                    return false;
            }
            if (i == 0)
                width = height = 0;
            else if (i == 1)
                bitrate = 0;
            else
                frameRate = 0.0;
        }
    }

    int channels = 0;
    if (audioOn) {
        const QString channelText = C_CBBTEXT(ui->cbbAChannels);
        // 0 keeps the source's channels, as the lossless profiles ask.
        channels = channelText == QLatin1String("0") ? 0 : ChannelCountOfText(channelText);
        if (channels == -1)
            throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__, kSource);
        IAudioProfile* audio = profile->GetAudioProfile();
        audio->SetCodecName(ui->cbbACodec->currentText().toLatin1().constData());
        audio->SetBitrate(C_CBBTEXT(ui->cbbABitRate).toInt());
        audio->SetSampleRate(C_CBBTEXT(ui->cbbASampleRate).toInt());
        audio->SetChannels(channels);
    }
    if (videoOn) {
        IVideoProfile* video = profile->GetVideoProfile();
        video->SetWidth(width);
        video->SetHeight(height);
        video->SetFrameRate(frameRate);
        video->SetBitrate(bitrate);
        video->SetCodecName(codec.toLatin1().constData());
        video->SetFourCC(fourCC.toLatin1().constData());
    }
    return true;
}

void VProfileParamWidget::setComcoboxStyleSheet(QString sheet)
{
    m_styleSheet = sheet;
    for (QComboBox* box : findChildren<QComboBox*>())
        box->setStyleSheet(m_styleSheet);
}

void VProfileParamWidget::Retranslate()
{
    ui->retranslateUi(this);
}
