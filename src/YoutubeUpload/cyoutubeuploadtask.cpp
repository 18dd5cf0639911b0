#include "cyoutubeuploadtask.h"

#include "Basilvo/Basilvo.h"
#include "AppConfigure/CAppVariableInfo.h"
#include "CBaseException.h"
#include "CTmpFile.h"
#include "cuploadbodydevice.h"

#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <memory>

namespace {

const char* const kSourceFile = "src/YoutubeUpload/cyoutubeuploadtask";

#define TASK_THROW(code, msg) throw CBaseException((code), (msg), __LINE__, kSourceFile)

const int kTitleMaxChars = 60;
const int kTitleMaxBytes = 100;
const int kDescriptionMaxChars = 5000;
const int kKeywordsMaxChars = 120;
const int kKeywordMinChars = 2;
const int kKeywordMaxChars = 25;

const char kAtomNamespace[] = "http://www.w3.org/2005/Atom";
const char kMediaNamespace[] = "http://search.yahoo.com/mrss/";
const char kServiceNamespace[] = "http://gdata.youtube.com/schemas/2007";
const char kCategoryScheme[] = "http://gdata.youtube.com/schemas/2007/categories.cat";

bool HasAngleBracket(const QString& text)
{
    return text.contains('<') || text.contains('>');
}

// Metadata goes into the entry as character data: markup characters of the
// user's texts must not become markup.
QByteArray XmlEscaped(const QString& text)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool IsCategoryDefined(YoutubeVideoCategory category)
{
    return category > YOUTUBE_CATEGORY_UNDEFINED && category < YOUTUBE_CATEGORY_COUNT;
}

} // namespace

CYoutubeUploadTask::CYoutubeUploadTask()
{
    QuentaBased::CallGuardedVoid(__LINE__, kSourceFile, [&]() {
        const QByteArray home = CAppVariableInfo::GetInstance()->GetAppHomePath().toUtf8();
        QuentaBased::CTmpFile name(std::string(home.constData()), std::string(".log"));
        StoreText(TASK_INFO_ERROR_LOG, QString::fromUtf8(name.GetFilePathName().c_str()));
    });
}

CYoutubeUploadTask::~CYoutubeUploadTask()
{
    clearData();
}

void CYoutubeUploadTask::Free()
{
    delete this;
}

void CYoutubeUploadTask::StoreText(TaskInfoType type, const QString& text)
{
    m_info[type] = text;
    m_infoUtf8[type] = text.toUtf8();
}

bool CYoutubeUploadTask::SetTaskInfo(TaskInfoType type, const char* text)
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        if (!text)
            TASK_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const int bytes = int(strlen(text));
        const QString s = QString::fromUtf8(text, bytes);
        if (unsigned(type) > unsigned(TASK_INFO_ERROR_LOG))
            TASK_THROW(10021004, "Invalid youtube task info type");

        switch (type) {
        case TASK_INFO_TITLE:
            if (s.size() > kTitleMaxChars || bytes > kTitleMaxBytes)
                TASK_THROW(QB_ERR_BAD_PARAM, "Video Titile too long");
            if (HasAngleBracket(s))
                TASK_THROW(QB_ERR_BAD_PARAM, "Titile do not accecpt symbol \"<\" or \">\".");
            break;
        case TASK_INFO_DESCRIPTION:
            if (s.size() > kDescriptionMaxChars)
                TASK_THROW(QB_ERR_BAD_PARAM, "Video description to long");
            if (HasAngleBracket(s))
                TASK_THROW(QB_ERR_BAD_PARAM, "description do not accecpt symbol \"<\" or \">\".");
            break;
        case TASK_INFO_KEYWORDS: {
            if (s.size() > kKeywordsMaxChars)
                TASK_THROW(QB_ERR_BAD_PARAM, "keywords too long");
            if (HasAngleBracket(s))
                TASK_THROW(QB_ERR_BAD_PARAM, "keywords do not accecpt symbol \"<\" or \">\".");
            const QStringList parts = s.split(',', Qt::KeepEmptyParts, Qt::CaseSensitive);
            for (const QString& part : parts) {
                if (part.size() < kKeywordMinChars || part.size() > kKeywordMaxChars)
                    TASK_THROW(QB_ERR_BAD_PARAM, "each keyword must be 2 to 25 characters long");
            }
            break;
        }
        case TASK_INFO_DATA_FILE: TASK_THROW(QB_ERR_BAD_PARAM, "Do not support set Data File Path");
        default: break;
        }
        StoreText(type, s);
        return true;
    });
}

const char* CYoutubeUploadTask::GetTaskInfo(TaskInfoType type)
{
    auto it = m_infoUtf8.find(type);
    return it == m_infoUtf8.end() ? nullptr : it->second.constData();
}

bool CYoutubeUploadTask::SetVideoCategory(YoutubeVideoCategory category)
{
    m_category = category;
    return true;
}

YoutubeVideoCategory CYoutubeUploadTask::GetVideoCategory()
{
    return m_category;
}

bool CYoutubeUploadTask::SetAccessType(YoutubeVideoAccessType access)
{
    m_access = access;
    return true;
}

YoutubeVideoAccessType CYoutubeUploadTask::GetAccessType()
{
    return m_access;
}

void CYoutubeUploadTask::CheckFields(bool bSetEmptyDescription)
{
    if (!HasField(TASK_INFO_SOURCE_FILE))
        TASK_THROW(10021005, "build data failed,source file not set");
    if (!QFileInfo(m_info[TASK_INFO_SOURCE_FILE]).isFile())
        TASK_THROW(10021005, "build data failed,source file does not exist");
    if (!HasField(TASK_INFO_TITLE))
        TASK_THROW(10021005, "build data failed,title does not exist");
    if (bSetEmptyDescription && !HasField(TASK_INFO_DESCRIPTION))
        StoreText(TASK_INFO_DESCRIPTION, QString(""));
    // A value outside the table names no category either.
    if (!IsCategoryDefined(m_category))
        TASK_THROW(10021005, "build data failed,category not defined");
    if (!HasField(TASK_INFO_KEYWORDS))
        TASK_THROW(10021005, "build data failed,keywords does not exist");
}

bool CYoutubeUploadTask::isValid()
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        CheckFields(false);
        return true;
    });
}

bool CYoutubeUploadTask::buildData(QString boundary, qint64& size)
{
    return QuentaBased::CallGuarded(false, __LINE__, kSourceFile, [&]() {
        CheckFields(true);
        const QString sourcePath = m_info[TASK_INFO_SOURCE_FILE];
        // The suffix follows the name's last "."; the comparison is exact.
        const bool bWebm = QFileInfo(sourcePath).suffix() == QLatin1String("webm");

        const QByteArray crlf("\r\n");
        const QByteArray delimiter = "--" + boundary.toLatin1() + crlf;

        QByteArray header;
        header += delimiter;
        header += "Content-Type: application/atom+xml; charset=UTF-8" + crlf;
        header += crlf;
        header += "<?xml version=\"1.0\"?>" + crlf;
        header += QByteArray("<entry xmlns=\"") + kAtomNamespace + "\"" + crlf;
        header += QByteArray("xmlns:media=\"") + kMediaNamespace + "\"" + crlf;
        header += QByteArray("xmlns:yt=\"") + kServiceNamespace + "\">" + crlf;
        header += "<media:group>" + crlf;
        header += "<media:title type=\"plain\">" + XmlEscaped(m_info[TASK_INFO_TITLE]) + "</media:title>" + crlf;
        header += "<media:description type=\"plain\">" + crlf + XmlEscaped(m_info[TASK_INFO_DESCRIPTION]) +
                  "</media:description>" + crlf;
        header += QByteArray("<media:category scheme=\"") + kCategoryScheme + "\">" +
                  STR_YOUTUBE_VIDEO_CATEGORY[m_category] + crlf + "</media:category>" + crlf;
        header += "<media:keywords>" + XmlEscaped(m_info[TASK_INFO_KEYWORDS]) + "</media:keywords>" + crlf;
        if (m_access == YOUTUBE_ACCESS_PRIVATE)
            header += "<yt:private/>" + crlf;
        header += "</media:group>" + crlf;
        if (m_access == YOUTUBE_ACCESS_NOT_LISTED)
            header += "<yt:accessControl action='list' permission='denied'/>" + crlf;
        header += "</entry>" + crlf;
        header += delimiter;
        header += bWebm ? "Content-Type: application/octet-stream" + crlf : "Content-Type: video/mp4" + crlf;
        header += "Content-Transfer-Encoding: binary" + crlf;
        header += crlf;

        const QByteArray trailer = crlf + "--" + boundary.toLatin1() + "--" + crlf;

        // The source must be readable now: a body that cannot be sent is
        // refused before anything goes out.
        QFile source(sourcePath);
        if (!source.open(QIODevice::ReadOnly))
            TASK_THROW(QB_ERR_FILE_IO, "can not open drc file.");
        const qint64 sourceSize = source.size();
        source.close();

        m_bodyHeader = header;
        m_bodyTrailer = trailer;
        m_bodySource = sourcePath;
        m_bodySourceSize = sourceSize;
        size = header.size() + sourceSize + trailer.size();
        return true;
    });
}

CUploadBodyDevice* CYoutubeUploadTask::openBodyDevice()
{
    return QuentaBased::CallGuarded<CUploadBodyDevice*>(nullptr, __LINE__, kSourceFile, [&]() {
        if (m_bodySourceSize < 0)
            TASK_THROW(QB_ERR_FILE_IO, "no upload body was built");
        std::unique_ptr<CUploadBodyDevice> body(
            new CUploadBodyDevice(m_bodyHeader, m_bodySource, m_bodySourceSize, m_bodyTrailer));
        if (!body->open(QIODevice::ReadOnly))
            TASK_THROW(QB_ERR_FILE_IO, "can not open drc file.");
        return body.release();
    });
}

void CYoutubeUploadTask::clearData()
{
    m_bodyHeader.clear();
    m_bodyTrailer.clear();
    m_bodySource.clear();
    m_bodySourceSize = -1;
    // No body file is ever written beside the source, so there is none to
    // delete; the field reads as empty once the body is gone.
    StoreText(TASK_INFO_DATA_FILE, QString(""));
}
