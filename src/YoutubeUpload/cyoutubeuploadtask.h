#pragma once

// One file to post to the video service, with its metadata. The task checks
// its texts as they are set, and describes the multipart body of its upload
// for a boundary: an Atom entry with the metadata, then the file unchanged.
// The body is read straight from the source file while it is sent.

#include "IYoutubeUploadTask.h"

#include <QByteArray>
#include <QString>

#include <map>

class CUploadBodyDevice;

class CYoutubeUploadTask final : public IYoutubeUploadTask
{
public:
    CYoutubeUploadTask();
    ~CYoutubeUploadTask();

    CYoutubeUploadTask(const CYoutubeUploadTask&) = delete;
    CYoutubeUploadTask& operator=(const CYoutubeUploadTask&) = delete;

    bool SetTaskInfo(TaskInfoType type, const char* text) override;
    const char* GetTaskInfo(TaskInfoType type) override;
    bool SetVideoCategory(YoutubeVideoCategory category) override;
    YoutubeVideoCategory GetVideoCategory() override;
    bool SetAccessType(YoutubeVideoAccessType access) override;
    YoutubeVideoAccessType GetAccessType() override;

    // Describes the body for `boundary` (without its leading "--") and gives
    // its length in bytes. False, with the reason recorded and `size`
    // unchanged, when a field is missing or the source cannot be read.
    virtual bool buildData(QString boundary, qint64& size);
    // Forgets the described body.
    virtual void clearData();
    // Whether the task can be uploaded; the reason is recorded when not.
    virtual bool isValid();

    // The body that the last buildData described, opened for reading; the
    // caller owns it. Null, with 10021013 recorded, when the source cannot be
    // opened or nothing was described.
    CUploadBodyDevice* openBodyDevice();

    // Only the uploader that created the task calls this.
    void Free();

private:
    void StoreText(TaskInfoType type, const QString& text);
    bool HasField(TaskInfoType type) const { return m_info.count(type) != 0; }
    void CheckFields(bool bSetEmptyDescription);

    std::map<TaskInfoType, QString> m_info;
    // The UTF-8 forms that GetTaskInfo hands out, kept beside the texts.
    std::map<TaskInfoType, QByteArray> m_infoUtf8;
    YoutubeVideoCategory m_category = YOUTUBE_CATEGORY_UNDEFINED;
    YoutubeVideoAccessType m_access = YOUTUBE_ACCESS_PUBLIC;

    // The body described by buildData.
    QByteArray m_bodyHeader;
    QByteArray m_bodyTrailer;
    QString m_bodySource;
    qint64 m_bodySourceSize = -1;
};
