#include "CYoutubeVideoInfo.h"

const char* const STR_YOUTUBE_VIDEO_CATEGORY[YOUTUBE_CATEGORY_COUNT] = {
    "Undefined",
    "Film",
    "Autos",
    "Music",
    "Animals",
    "Sports",
    "Travel",
    "Shortmov",
    "Videoblog",
    "Games",
    "Comedy",
    "People",
    "News",
    "Entertainment",
    "Education",
    "Howto",
    "Nonprofit",
    "Tech",
    "Movies_Anime_animation",
    "Movies",
    "Movies_Comedy",
    "Movies_Documentary",
    "Movies_Action_adventure",
    "Movies_Classics",
    "Movies_Foreign",
    "Movies_Horror",
    "Movies_Drama",
    "Movies_Family",
    "Movies_Shorts",
    "Shows",
    "Movies_Sci_fi_fantasy",
    "Movies_Thriller",
    "Trailers",
};

CYoutubeVideoInfo::CYoutubeVideoInfo()
{
    resetAll();
}

CYoutubeVideoInfo::~CYoutubeVideoInfo() = default;

QVariant CYoutubeVideoInfo::GetDefaultValue(InfoType nType)
{
    switch (nType) {
    case INFO_TITLE: return QString(STR_YOUTUBE_UPLOAD_DEFAULT_TITLE);
    case INFO_KEYWORDS: return QString(STR_YOUTUBE_UPLOAD_DEFAULT_TAG);
    case INFO_CATEGORY: return int(YOUTUBE_CATEGORY_FILM);
    case INFO_DESCRIPTION: return QString(STR_YOUTUBE_UPLOAD_DEFAULT_DECRIPTION);
    case INFO_ACCESSTYPE: return int(YOUTUBE_ACCESS_PUBLIC);
    }
    return QVariant();
}

void CYoutubeVideoInfo::resetInfoValue(InfoType nType)
{
    const QVariant value = GetDefaultValue(nType);
    switch (nType) {
    case INFO_TITLE: m_sTitle = value.toString(); break;
    case INFO_KEYWORDS: m_sKeywords = value.toString(); break;
    case INFO_CATEGORY: m_nCategory = static_cast<YoutubeVideoCategory>(value.toInt()); break;
    case INFO_DESCRIPTION: m_sDescription = value.toString(); break;
    case INFO_ACCESSTYPE: m_nAccessType = static_cast<YoutubeVideoAccessType>(value.toInt()); break;
    }
}

void CYoutubeVideoInfo::resetAll()
{
    resetInfoValue(INFO_TITLE);
    resetInfoValue(INFO_KEYWORDS);
    resetInfoValue(INFO_CATEGORY);
    resetInfoValue(INFO_DESCRIPTION);
    resetInfoValue(INFO_ACCESSTYPE);
}
