#include "cmmoutputtask.h"

#include "OutputProfileRules.h"
#include "OutputTaskNames.h"

#include "AppConfigure/AppConfigDefines.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "CLockedFolder.h"
#include "CTmpFile.h"
#include "ConvertTaskInfo2.h"
#include "IAVConverter.h"
#include "IAVManager.h"
#include "IAccurateTrimManager.h"
#include "IProfile.h"
#include "ProjectData/cmediasourceitem.h"
#include "ProjectData/ctimelineitem.h"
#include "JobPlan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <memory>
#include <sys/statvfs.h>
#include <vector>

namespace {

// Errors of the output task carry its own source name.
const char* const kSource = "cmmoutputtask";
#define TASK_THROW(code, msg) throw CBaseException((code), (msg), __LINE__, kSource)

const char* const kSimpleEditImporter = "SimpleEditImporter";
// Less room than this left where the timeline's description could not be
// written is a full temporary folder.
constexpr uint64_t kTaskFilesRoom = 1u << 20;
const char* const kEditFolderPrefix = "fablecut-edit-";

std::string Utf8(const QString& s)
{
    return s.toUtf8().toStdString();
}

// The calling thread's recorded error, or our own when nothing is recorded.
[[noreturn]] void ThrowRecordedOr(int nCode, const char* sMessage, int nLine)
{
    if (GetQuentaException()->GetExceptionCode() != 0)
        QuentaBased::ThrowLastError();
    throw CBaseException(nCode, sMessage, nLine, kSource);
}

// The edit descriptions handed to the engine lie in a folder of the
// program's own, locked while it runs: those of a program that was killed
// are removed with its folder by the next one, and nothing else is.
std::string EditDescriptionFolder()
{
    static std::unique_ptr<QuentaBased::CLockedFolder> folder;
    static std::string parent;
    // Each new task looks for a killed program's folder: a program may run
    // for days.
    QuentaBased::CLockedFolder::RemoveAbandoned(kEditFolderPrefix);
    // Made anew when the temporary folder has changed or the folder is gone.
    const std::string now = QuentaBased::CLockedFolder::TempFolder();
    if (!folder || parent != now || !QFileInfo(QString::fromStdString(folder->Path())).isDir()) {
        folder.reset();
        try {
            folder.reset(new QuentaBased::CLockedFolder(kEditFolderPrefix));
            parent = now;
        } catch (const CBaseException&) {
            return std::string(); // the temporary folder itself, as a last resort
        }
    }
    return folder->Path();
}

} // namespace

CMMOutputTask::CMMOutputTask(Moorland::IAVManager* pManager, IMirendo* pMirendo, ICudaHelper* pCuda)
    : m_pMirendo(pMirendo), m_pCuda(pCuda), m_pManager(pManager)
{
    m_sSrcSeixPath =
        QString::fromStdString(QuentaBased::CTmpFile(EditDescriptionFolder(), std::string(".seix")).GetFilePathName());
}

CMMOutputTask::~CMMOutputTask()
{
    ReleaseProfiles();
    QFile::remove(m_sSrcSeixPath);
}

void CMMOutputTask::ReleaseProfiles()
{
    if (m_pWorkProfile)
        m_pWorkProfile->Release();
    if (m_pChosenProfile)
        m_pChosenProfile->Release();
    m_pWorkProfile = nullptr;
    m_pChosenProfile = nullptr;
}

// ---------------------------------------------------------------------------
// The timeline

void CMMOutputTask::SetSrcTimelineItem(const CTimelineItem* pTimeline)
{
    m_sTimelineFailure.clear();
    const bool bAttached = QuentaBased::CallGuardedVoid(__LINE__, kSource, [&] {
        if (!pTimeline)
            TASK_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (pTimeline->ChildItemsCount() == 0)
            TASK_THROW(QB_ERR_MEDIA, "empty timeline item");
        // From here a failure leaves the task without a timeline it may
        // convert. The timeline writes the task's own copy of its
        // description, with every edit setting, and is not changed by it; a
        // copy that could not be written leaves the previous one (or none).
        m_bTimelineAttached = false;
        // Known before anything can fail, so a start can name a missing file.
        m_sourceFiles.clear();
        for (Fablecut::ISourceDataItem* pItem : pTimeline->GetChildItems()) {
            QStringList files{pItem->GetSrcFileFullPath()};
            if (auto* pMedia = dynamic_cast<Fablecut::CMediaSourceItem*>(pItem);
                pMedia && pMedia->IsEnableAudioReplace())
                files << pMedia->GetAudioReplaceFullPath();
            for (const QString& file : files)
                if (!file.isEmpty() && !m_sourceFiles.contains(file))
                    m_sourceFiles << file;
        }
        GetQuentaException()->Clear();
        if (!pTimeline->WriteSeixFile(m_sSrcSeixPath, true))
            ThrowRecordedOr(QB_ERR_FILE_IO, "can't write the timeline's edit description", __LINE__);
        if (!QFile::exists(m_sSrcSeixPath))
            TASK_THROW(QB_ERR_NOT_FOUND, "source timeline seix file not exists");

        m_duration = pTimeline->GetTaskTrimDuration();
        m_nSrcVideoBitrate = pTimeline->GetSrcAverageVideoBitrate();
        m_nSrcAudioBitrate = pTimeline->GetSrcAverageAudioBitrate();
        m_bEnableLossless = pTimeline->EnableLosslessOutput();

        std::vector<int> values;
        pTimeline->GetFrameValueList(values);
        m_frameValues.clear();
        for (int n : values)
            m_frameValues << QString::number(n);

        Fablecut::ISourceDataItem* pFirst = pTimeline->getItemByIndex(0);
        if (!pFirst)
            TASK_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const QString sName = QFileInfo(pFirst->GetSrcFileFullPath()).fileName();
        const int nDot = sName.lastIndexOf('.');
        m_sSrcExt = "." + (nDot >= 0 ? sName.mid(nDot + 1) : QString());
        m_sDstExt = m_sSrcExt;
        // A profile set before keeps deciding the output's extension.
        if (m_pWorkProfile)
            updateOutputFormat();

        m_source = TaskSourceInfo();
        auto* pClip = dynamic_cast<Fablecut::CMediaSourceItem*>(pFirst);
        if (!pClip)
            TASK_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (const Moorland::StreamInfo* pAudio = pClip->GetCurStreamInfo(Moorland::StreamTypeAudio)) {
            m_source.nAudioBitrate = pAudio->bitRate;
            m_source.pszAudioCodec = pAudio->codecName;
            m_source.nChannels = pAudio->channels;
            m_source.nSampleRate = pAudio->sampleRate;
        }
        if (const Moorland::StreamInfo* pVideo = pClip->GetCurStreamInfo(Moorland::StreamTypeVideo)) {
            const float fNum = static_cast<float>(Moorland::FrameRateNum(pVideo->frameRate));
            const float fDen = static_cast<float>(Moorland::FrameRateDen(pVideo->frameRate));
            m_source.dFrameRate = fDen != 0.0f ? static_cast<double>(fNum / fDen) : 0.0;
            m_source.nHeight = pVideo->height;
            m_source.nVideoBitrate = pVideo->bitRate;
            m_source.pszVideoCodec = pVideo->codecName;
            m_source.nWidth = pVideo->width;
        }
        m_bTimelineAttached = true;
    });
    // Kept for the start, which is where the user sees why the task cannot
    // run; a full temporary folder is named as such, since the description's
    // writer only knows that it failed.
    if (!bAttached && pTimeline) {
        m_sTimelineFailure = GetQuentaException()->GetExceptionMsg();
        const QByteArray folder = QFileInfo(m_sSrcSeixPath).absolutePath().toUtf8();
        struct statvfs st;
        if (::statvfs(folder.constData(), &st) == 0 && uint64_t(st.f_bavail) * st.f_frsize < kTaskFilesRoom)
            m_sTimelineFailure = "No space left in " + QuentaBased::CLockedFolder::TempFolder() +
                                 " for the conversion's work files. Make room there and add the task again.";
    }
}

// ---------------------------------------------------------------------------
// The profile

void CMMOutputTask::SetProfile(IProfile* pProfile)
{
    if (pProfile && pProfile == m_pWorkProfile)
        return;
    ReleaseProfiles();
    m_bLossless = false;
    m_bYoutube = false;
    if (!pProfile)
        return;
    m_pWorkProfile = pProfile->Clone();
    m_pChosenProfile = pProfile->Clone();
    if (m_pWorkProfile) {
        // What the engine will run, as it will plan it.
        m_bLossless = Moorland::PlanJob(m_pWorkProfile).Lossless();
        if (IProfileParams* pParams = m_pWorkProfile->GetParams()) {
            m_bYoutube = pParams->GetInt("YoutubeUpload") == 1;
        }
    }
    updateOutputFormat();
}

void CMMOutputTask::updateOutputFormat()
{
    const QString sExt = OutputProfileRules::DestinationExtension(m_pWorkProfile, m_sSrcExt);
    if (!sExt.isNull())
        m_sDstExt = sExt;
}

void CMMOutputTask::adjustProfileParams()
{
    OutputProfileRules::AdjustParams(m_pWorkProfile);
}

void CMMOutputTask::adjustProfileForLossless()
{
    OutputProfileRules::AdjustForLossless(m_pWorkProfile, m_bLossless, m_nSrcVideoBitrate, m_nSrcAudioBitrate,
                                          m_frameValues);
}

void CMMOutputTask::adjustProfileForConversion()
{
    OutputProfileRules::AdjustForConversion(m_pWorkProfile, m_bLossless, m_source, m_pMirendo);
}

// ---------------------------------------------------------------------------
// Handing the job over

Moorland::ConvertTaskInfo2* CMMOutputTask::GenerateConverterTask(Moorland::IAVConverter* pConverter)
{
    return QuentaBased::CallGuarded(static_cast<Moorland::ConvertTaskInfo2*>(nullptr), __LINE__, kSource, [&] {
        if (!pConverter)
            TASK_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!m_bTimelineAttached && !m_sTimelineFailure.empty())
            TASK_THROW(QB_ERR_MEDIA, "The timeline could not be written for the conversion: " + m_sTimelineFailure);
        if (!m_bTimelineAttached)
            TASK_THROW(QB_ERR_MEDIA, "the output task has no timeline to convert");
        if (!m_pChosenProfile)
            TASK_THROW(QB_ERR_BAD_POINTER, "the output task has no output profile");

        // Every submission adjusts a fresh copy of the profile as chosen: a
        // retry after a failure never adjusts twice.
        IProfile* pFresh = m_pChosenProfile->Clone();
        if (!pFresh)
            ThrowRecordedOr(QB_ERR_UNEXPECTED, "Unexpected error", __LINE__);
        if (m_pWorkProfile)
            m_pWorkProfile->Release();
        m_pWorkProfile = pFresh;

        adjustProfileParams();
        adjustProfileForLossless();
        adjustProfileForConversion();

        m_sDstFilePath = ComposeDstFilePath();
        if (m_sDstFilePath.isEmpty())
            TASK_THROW(QB_ERR_BAD_PARAM, "the output task has no output folder");

        int nId;
        if (m_bLossless) {
            // Refused here, with its reason: the engine never sees a job
            // that cannot run.
            if (!m_bEnableLossless)
                TASK_THROW(QB_ERR_MEDIA, "The timeline cannot be output losslessly: its clips differ in their "
                                         "stream parameters, so they cannot be joined without converting. Choose "
                                         "a profile that converts.");
            CheckLosslessOutput();
            nId = pConverter->AddConvertTask(Utf8(m_sSrcSeixPath).c_str(), Utf8(m_sDstFilePath).c_str(), m_pWorkProfile,
                                             m_bTwoPass, "");
        } else {
            nId = SubmitTranscode(pConverter);
        }
        if (nId < 0)
            ThrowRecordedOr(QB_ERR_UNEXPECTED, "the conversion engine refused the task", __LINE__);
        Moorland::ConvertTaskInfo2* pRecord = pConverter->GetConvertTaskInfo(nId);
        if (!pRecord) {
            pConverter->RemoveConvertTask(nId);
            ThrowRecordedOr(QB_ERR_UNEXPECTED, "the conversion engine has no record of the task", __LINE__);
        }
        m_nConvertTaskId = nId;
        m_pRecord = pRecord;
        m_pConverter = pConverter;
        return pRecord;
    });
}

QString CMMOutputTask::OutputFolderSetting()
{
    return CAppVariableInfo::GetInstance()->GetInfoValue(VARIABLE_INFO_OUTPUTPATH, QVariant()).toString();
}

QString CMMOutputTask::ComposeDstFilePath() const
{
    const QString folder = m_sDstFolder.isEmpty() ? OutputFolderSetting() : m_sDstFolder;
    return folder.isEmpty() ? QString() : folder + "/" + m_sDstName + m_sDstExt;
}

QString CMMOutputTask::DestinationFilePath() const
{
    return m_pRecord && !m_sDstFilePath.isEmpty() ? m_sDstFilePath : ComposeDstFilePath();
}

bool CMMOutputTask::SettleDestination(QStringList& lstRegister)
{
    // The folder the check looks into is the one the conversion writes into.
    const QString folder = OutputFolderSetting();
    const QVariant policy = CAppVariableInfo::GetInstance()->GetInfoValue(VARIABLE_INFO_OUTPUTFILEEXIST, QVariant());
    const QString name = OutputTaskNames::CheckNameInOutputDir(m_sDstName, m_sDstExt, lstRegister, folder, policy);
    if (name.isNull())
        return false;
    m_sDstFolder = folder;
    m_sDstName = name;
    return true;
}

QStringList CMMOutputTask::MissingSourceFiles() const
{
    QStringList missing;
    for (const QString& file : m_sourceFiles)
        if (!QFileInfo::exists(file))
            missing << QDir::toNativeSeparators(file);
    return missing;
}

QString CMMOutputTask::GetFailureText() const
{
    if (!m_pConverter || !m_pRecord)
        return QString();
    return QString::fromStdString(m_pConverter->GetConvertTaskFailure(m_nConvertTaskId)).trimmed();
}

QString CMMOutputTask::GetConvertLogPath() const
{
    if (!m_pConverter || !m_pRecord)
        return QString();
    return QString::fromStdString(m_pConverter->GetConvertTaskLogPath(m_nConvertTaskId));
}

void CMMOutputTask::CheckLosslessOutput()
{
    m_losslessVerdict.clear();
    if (!m_pManager)
        return;
    struct Release
    {
        void operator()(Moorland::IAccurateTrimManager* p) const { p->Release(); }
    };
    std::unique_ptr<Moorland::IAccurateTrimManager, Release> trim(
        m_pManager->CreateAccurateTrimManager(Utf8(m_sDstFilePath).c_str()));
    // A media manager that makes none leaves the check to the job.
    if (!trim)
        return;
    GetQuentaException()->Clear();
    if (!trim->SetSource(Utf8(m_sSrcSeixPath).c_str(), "", m_pWorkProfile) || !trim->Check())
        ThrowRecordedOr(QB_ERR_MEDIA, "The timeline cannot be output losslessly", __LINE__);
    m_losslessVerdict = LosslessVerdictOf(trim.get());
}

int CMMOutputTask::SubmitTranscode(Moorland::IAVConverter* pConverter)
{
    // The timeline's own description is the job's source: the streams and
    // frame rate the profile asks for travel with the job's profile, and the
    // worker's source applies them, so each picture passes one edit stage.
    return pConverter->AddConvertTask(Utf8(m_sSrcSeixPath).c_str(), Utf8(m_sDstFilePath).c_str(), m_pWorkProfile,
                                      m_bTwoPass, kSimpleEditImporter);
}
