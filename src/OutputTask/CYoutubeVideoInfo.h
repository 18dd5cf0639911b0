#pragma once

// The upload metadata of one output task: whether its finished file goes to
// the video service, with the title, keywords, category, description and
// access type of the video. A plain value: the settings panel checks texts,
// the uploader checks the category; this class validates nothing.

#include <QString>
#include <QVariant>

#include <cstdint>

// Index into the service's category terms ("Undefined" is no category).
enum YoutubeVideoCategory : int32_t {
    YOUTUBE_CATEGORY_UNDEFINED = 0,
    YOUTUBE_CATEGORY_FILM = 1,
    YOUTUBE_CATEGORY_AUTOS,
    YOUTUBE_CATEGORY_MUSIC,
    YOUTUBE_CATEGORY_ANIMALS,
    YOUTUBE_CATEGORY_SPORTS,
    YOUTUBE_CATEGORY_TRAVEL,
    YOUTUBE_CATEGORY_SHORTMOV,
    YOUTUBE_CATEGORY_VIDEOBLOG,
    YOUTUBE_CATEGORY_GAMES,
    YOUTUBE_CATEGORY_COMEDY,
    YOUTUBE_CATEGORY_PEOPLE,
    YOUTUBE_CATEGORY_NEWS,
    YOUTUBE_CATEGORY_ENTERTAINMENT,
    YOUTUBE_CATEGORY_EDUCATION,
    YOUTUBE_CATEGORY_HOWTO,
    YOUTUBE_CATEGORY_NONPROFIT,
    YOUTUBE_CATEGORY_TECH,
    YOUTUBE_CATEGORY_MOVIES_ANIME_ANIMATION,
    YOUTUBE_CATEGORY_MOVIES,
    YOUTUBE_CATEGORY_MOVIES_COMEDY,
    YOUTUBE_CATEGORY_MOVIES_DOCUMENTARY,
    YOUTUBE_CATEGORY_MOVIES_ACTION_ADVENTURE,
    YOUTUBE_CATEGORY_MOVIES_CLASSICS,
    YOUTUBE_CATEGORY_MOVIES_FOREIGN,
    YOUTUBE_CATEGORY_MOVIES_HORROR,
    YOUTUBE_CATEGORY_MOVIES_DRAMA,
    YOUTUBE_CATEGORY_MOVIES_FAMILY,
    YOUTUBE_CATEGORY_MOVIES_SHORTS,
    YOUTUBE_CATEGORY_SHOWS,
    YOUTUBE_CATEGORY_MOVIES_SCI_FI_FANTASY,
    YOUTUBE_CATEGORY_MOVIES_THRILLER,
    YOUTUBE_CATEGORY_TRAILERS,
    YOUTUBE_CATEGORY_COUNT // 33 values, 0 to 32
};

// The service's category terms, indexed by YoutubeVideoCategory.
extern const char* const STR_YOUTUBE_VIDEO_CATEGORY[YOUTUBE_CATEGORY_COUNT];

enum YoutubeVideoAccessType : int32_t {
    YOUTUBE_ACCESS_PUBLIC = 0,
    YOUTUBE_ACCESS_NOT_LISTED = 1, // the upload request denies listing
    YOUTUBE_ACCESS_PRIVATE = 2,
};

#define STR_YOUTUBE_UPLOAD_DEFAULT_TITLE "Title"
#define STR_YOUTUBE_UPLOAD_DEFAULT_TAG "Tag"
#define STR_YOUTUBE_UPLOAD_DEFAULT_DECRIPTION "Description"

class CYoutubeVideoInfo
{
public:
    // The fields that have a default.
    enum InfoType {
        INFO_TITLE = 0,
        INFO_KEYWORDS = 1,
        INFO_CATEGORY = 2,
        INFO_DESCRIPTION = 3,
        INFO_ACCESSTYPE = 4,
    };

    CYoutubeVideoInfo();
    ~CYoutubeVideoInfo();

    void SetEnableUpload(bool bEnable) { m_bEnableUpload = bEnable; }
    bool GetEnableUpload() const { return m_bEnableUpload; }
    void SetTitle(QString sTitle) { m_sTitle = sTitle; }
    QString GetTitle() const { return m_sTitle; }
    void SetKeywords(QString sKeywords) { m_sKeywords = sKeywords; }
    QString GetKeywords() const { return m_sKeywords; }
    void SetCategory(YoutubeVideoCategory nCategory) { m_nCategory = nCategory; }
    YoutubeVideoCategory GetCategory() const { return m_nCategory; }
    void SetDescription(QString sDescription) { m_sDescription = sDescription; }
    QString GetDescription() const { return m_sDescription; }
    void SetAccessType(YoutubeVideoAccessType nAccess) { m_nAccessType = nAccess; }
    YoutubeVideoAccessType GetAccessType() const { return m_nAccessType; }

    // The default of one field: texts as QString, category and access type
    // as int; an invalid QVariant for any other value.
    static QVariant GetDefaultValue(InfoType nType);
    // One field back to its default; any other value changes nothing.
    void resetInfoValue(InfoType nType);
    // Every field but the upload flag back to its default.
    void resetAll();

private:
    bool m_bEnableUpload = true;
    QString m_sTitle;
    QString m_sKeywords;
    YoutubeVideoCategory m_nCategory = YOUTUBE_CATEGORY_FILM;
    QString m_sDescription;
    YoutubeVideoAccessType m_nAccessType = YOUTUBE_ACCESS_PUBLIC;
};
