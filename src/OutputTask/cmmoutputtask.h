#pragma once

// One output job of the output page: a private copy of the edited timeline's
// edit description, the chosen profile (kept twice: as chosen, and a working
// copy adjusted before the job starts), the destination, what was learned of
// the source when the timeline was attached, the upload metadata and what
// runs after the conversion (the upload), and, once the job has been handed
// to the conversion engine, its task id and record. GUI thread only.

#include "utility/CBaseTime.h"
#include "CYoutubeVideoInfo.h"
#include "IMirendo.h"
#include "IOutputTaskAction.h"
#include "LosslessVerdict.h"

#include <QString>
#include <QStringList>

#include <memory>

class CTimelineItem;
class ICudaHelper;
class IProfile;

namespace Moorland {
class IAVConverter;
class IAVManager;
struct ConvertTaskInfo2;
} // namespace Moorland

class CMMOutputTask
{
public:
    // Reserves the names of the task's two edit descriptions (no file is
    // made). Throws CBaseException when no name can be had.
    CMMOutputTask(Moorland::IAVManager* pManager, IMirendo* pMirendo, ICudaHelper* pCuda);
    // Releases both profiles and deletes both edit descriptions. The engine's
    // task is the task list's to remove, before this.
    ~CMMOutputTask();
    CMMOutputTask(const CMMOutputTask&) = delete;
    CMMOutputTask& operator=(const CMMOutputTask&) = delete;

    // Has the timeline write the task's own edit description (the timeline
    // itself is not changed) and takes its duration,
    // bitrates, frame values and first clip's streams. Failures are recorded
    // (GetQuentaException), not thrown; a task whose timeline did not attach
    // refuses to start.
    void SetSrcTimelineItem(const CTimelineItem* pTimeline);
    // A folder of the task's own; without one the task writes into the
    // output folder the settings name when it is handed over.
    void SetOutputDstFloder(QString sFolder) { m_sDstFolder = sFolder; }
    void SetOutputDstName(QString sName) { m_sDstName = sName; }
    QString GetTaskDstName() const { return m_sDstName; }
    QString GetDstFileExt() const { return m_sDstExt; }
    // As composed when the job was handed over; empty before.
    QString GetTaskDstFilePath() const { return m_sDstFilePath; }
    // The file the task writes, composed here only: the path it was handed
    // over with, or, before that, its folder (the output folder the settings
    // name now, when it has none of its own), its name and its extension;
    // empty without any folder. The task list, the row's find-target and the
    // upload all ask this.
    QString DestinationFilePath() const;
    // The output folder as the settings name it now ("OutputPath").
    static QString OutputFolderSetting();
    // The first start's numbering rule: the task takes the output folder the
    // settings name now and a name that clashes neither with an entry there
    // (by the user's "OutputFileExist" policy) nor with the names of the
    // other tasks (`lstRegister`, kept current). False, with the task and
    // the register as they were, when the policy says to skip the task.
    bool SettleDestination(QStringList& lstRegister);
    CBaseTime GetTaskDuration() const { return m_duration; }

    // Takes two clones of the profile (the caller keeps its own); null leaves
    // the task without one.
    void SetProfile(IProfile* pProfile);
    // The chosen copy for true, else the working copy; the task keeps both.
    IProfile* GetProfile(bool bChosen) const { return bChosen ? m_pChosenProfile : m_pWorkProfile; }
    void SetTwoPass(bool bTwoPass) { m_bTwoPass = bTwoPass; }

    // The files the task's timeline reads (its clips' sources and replacing
    // sound) that do not exist now, looked at on each call: the task list
    // starts no task while one is missing, and a file that comes back at its
    // path lets the task start again.
    QStringList MissingSourceFiles() const;

    // Adjusts a fresh working copy of the chosen profile, writes the job's
    // edit description and submits the job. The job record, or null with the
    // failure recorded; then no task id and no record are kept.
    Moorland::ConvertTaskInfo2* GenerateConverterTask(Moorland::IAVConverter* pConverter);
    int GetConvertTaskID() const { return m_nConvertTaskId; }
    Moorland::ConvertTaskInfo2* GetBaseConvertTaskInfo() const { return m_pRecord; }
    void RemoveConverterTaskInfo() { m_pRecord = nullptr; }
    // Why the job failed, as the engine reports it; empty while it has not.
    QString GetFailureText() const;
    // What a lossless task's output leaves out of its clips, or where its
    // cuts fall back to the next key picture; empty when nothing. Known once
    // the task was handed over. The notice is the verdict in words now.
    const LosslessVerdict& GetLosslessVerdict() const { return m_losslessVerdict; }
    QString GetLosslessNotice() const { return LosslessVerdictWords(m_losslessVerdict); }
    // The job's own log (what the worker wrote); empty before submission.
    QString GetConvertLogPath() const;
    // Takes the record of a job the engine already holds for this task.
    void SetBaseConvertTaskInfo(Moorland::ConvertTaskInfo2* pRecord) { m_pRecord = pRecord; }

    bool IsYoutubeTask() const { return m_bYoutube; }
    CYoutubeVideoInfo* GetYoutubeInfo() { return &m_youtubeInfo; }
    const CYoutubeVideoInfo* GetYoutubeInfo() const { return &m_youtubeInfo; }
    bool GetUploadtoYoutube() const { return m_youtubeInfo.GetEnableUpload(); }

    // What runs after the conversion has finished; the task owns it. Null:
    // nothing does.
    void SetAfterAction(std::unique_ptr<IOutputTaskAction> action) { m_afterAction = std::move(action); }
    IOutputTaskAction* GetAfterAction() const { return m_afterAction.get(); }

    // The profile rules on the working copy (see OutputProfileRules).
    void updateOutputFormat();
    void adjustProfileParams();
    void adjustProfileForLossless();
    void adjustProfileForConversion();

private:
    void ReleaseProfiles();
    QString ComposeDstFilePath() const;
    int SubmitTranscode(Moorland::IAVConverter* pConverter);
    // Asks the media manager whether the destination's container holds the
    // clips' streams; throws with the reason when the output can't be made.
    void CheckLosslessOutput();

    QString m_sSrcSeixPath;
    // Every file the attached timeline reads, in timeline order, once each.
    QStringList m_sourceFiles;
    QString m_sDstFolder;
    QString m_sDstName;
    QString m_sDstExt;
    QString m_sSrcExt;
    IProfile* m_pWorkProfile = nullptr;
    IProfile* m_pChosenProfile = nullptr;
    bool m_bTwoPass = false;
    Moorland::ConvertTaskInfo2* m_pRecord = nullptr;
    int m_nConvertTaskId = -1;
    Moorland::IAVConverter* m_pConverter = nullptr;
    QString m_sDstFilePath;
    LosslessVerdict m_losslessVerdict;
    CBaseTime m_duration;
    unsigned int m_nSrcVideoBitrate = 0;
    unsigned int m_nSrcAudioBitrate = 0;
    QStringList m_frameValues;
    TaskSourceInfo m_source;
    IMirendo* m_pMirendo;
    ICudaHelper* m_pCuda;
    Moorland::IAVManager* m_pManager;
    bool m_bLossless = false;
    bool m_bYoutube = false;
    CYoutubeVideoInfo m_youtubeInfo;
    std::unique_ptr<IOutputTaskAction> m_afterAction;
    bool m_bEnableLossless = false;
    // The timeline's description was copied and its facts taken.
    bool m_bTimelineAttached = false;
    std::string m_sTimelineFailure; // why the timeline given last could not be attached
};
