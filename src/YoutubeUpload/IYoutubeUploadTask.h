#pragma once

// One file to be posted to the video service, with its metadata, as the rest
// of the program sees it. The uploader that created a task owns it.

#include "OutputTask/CYoutubeVideoInfo.h"

class IYoutubeUploadTask
{
public:
    enum TaskInfoType : int {
        TASK_INFO_SOURCE_FILE = 0, // full path of the finished output file
        TASK_INFO_TITLE = 1,
        TASK_INFO_DESCRIPTION = 2,
        TASK_INFO_KEYWORDS = 3,  // one text, keywords separated by ","
        TASK_INFO_DATA_FILE = 4, // never set from outside
        TASK_INFO_ERROR_LOG = 5, // where a failed upload's reply is written
    };

    // `text` is zero-terminated UTF-8. False, with the reason in the calling
    // thread's last-error record, when the text is refused.
    virtual bool SetTaskInfo(TaskInfoType type, const char* text) = 0;
    // The field as UTF-8, owned by the task; null when it was never set.
    virtual const char* GetTaskInfo(TaskInfoType type) = 0;
    virtual bool SetVideoCategory(YoutubeVideoCategory category) = 0;
    virtual YoutubeVideoCategory GetVideoCategory() = 0;
    virtual bool SetAccessType(YoutubeVideoAccessType access) = 0;
    virtual YoutubeVideoAccessType GetAccessType() = 0;

protected:
    ~IYoutubeUploadTask() = default;
};
