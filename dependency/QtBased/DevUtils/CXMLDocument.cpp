#include "CXMLDocument.h"

#include "Basilvo/Basilvo.h"
#include "CBaseException.h"
#include "sysutils_stored.h"

#include <QByteArray>
#include <cerrno>

#include <cstdio>
#include <cstring>
#include <exception>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* const kSourceFile = "dependency/QtBased/DevUtils/CXMLDocument";

// The library's own failures (such as exhausted memory) in the system's form.
template <typename F> void TranslateExceptions(int line, F&& body)
{
    try {
        body();
    } catch (CBaseException&) {
        throw;
    } catch (std::exception& e) {
        throw CBaseException(QB_ERR_STD_EXCEPTION, e.what(), line, kSourceFile);
    } catch (...) {
        throw CBaseException(QB_ERR_UNEXPECTED, "Unexpected error", line, kSourceFile);
    }
}

QString ParserError(const TiXmlDocument& doc, const QString& path)
{
    return QString("XML error: %1 (row %2, column %3): %4")
        .arg(QString::fromLocal8Bit(doc.ErrorDesc()))
        .arg(doc.ErrorRow())
        .arg(doc.ErrorCol())
        .arg(path);
}

// What a document of ours may hold: far more than any of them needs,
// little enough that no file can exhaust the parser's stack or the memory.
const QuentaBased::StoredXmlBounds kDocumentBounds = {64u << 20, 64, 256, 2000000};

void RecordError(int line, const QString& text)
{
    GetQuentaException()->SetException(QB_ERR_FILE_IO, text.toUtf8().constData(), line, kSourceFile);
}

} // namespace

CXMLDocument::CXMLDocument() : m_sRootName("root") {}

CXMLDocument::~CXMLDocument() = default;

TiXmlElement* CXMLDocument::GetRoot()
{
    if (m_doc.FirstChildElement() == nullptr) {
        m_doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
        m_doc.LinkEndChild(new TiXmlElement(m_sRootName.toLocal8Bit().constData()));
    }
    return m_doc.FirstChildElement();
}

void CXMLDocument::SetRootName(const QString& name)
{
    const QString trimmed = name.trimmed();
    if (name != m_sRootName && !trimmed.isEmpty())
        m_sRootName = trimmed;
}

void CXMLDocument::LoadFile(const QString& path)
{
    m_sLoadError.clear();
    TranslateExceptions(__LINE__, [&] {
        const QByteArray local = path.toLocal8Bit();
        m_doc.Clear();
        m_doc.ClearError();
        std::string text;
        try {
            text = QuentaBased::read_stored_xml(local.constData(), kDocumentBounds);
        } catch (CBaseException& e) {
            m_sLoadError = QString::fromUtf8(e.GetExceptionMsg());
            RecordError(__LINE__, m_sLoadError);
            return;
        }
        // Line ends as the parser's own file reading leaves them.
        std::string normal;
        normal.reserve(text.size());
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r') {
                normal += '\n';
                if (i + 1 < text.size() && text[i + 1] == '\n')
                    ++i;
            } else {
                normal += text[i];
            }
        }
        m_doc.SetValue(local.constData());
        m_doc.Parse(normal.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
        if (m_doc.Error()) {
            m_sLoadError = ParserError(m_doc, path);
            RecordError(__LINE__, m_sLoadError);
        } else if (!m_doc.RootElement()) {
            // A declaration alone is what is left of a file cut short or
            // emptied: read as an empty document it would lose everything.
            m_sLoadError = QString("XML error: the document has no root element: %1").arg(path);
            RecordError(__LINE__, m_sLoadError);
        }
    });
}

void CXMLDocument::SaveFile(const QString& path)
{
    GetRoot();
    TranslateExceptions(__LINE__, [&] {
        const QByteArray target = path.toLocal8Bit();
        // A name of our own, made new: whatever else lies beside the target
        // (a pipe, a link) is never opened.
        QByteArray temp = target + ".saving~XXXXXX";
        const int fd = ::mkstemp(temp.data());
        if (fd < 0) {
            RecordError(__LINE__, QString("Write XML file error: %1").arg(path));
            return;
        }
        std::FILE* file = ::fdopen(fd, "w");
        if (!file)
            ::close(fd);
        bool written = file && m_doc.SaveFile(file) && std::fflush(file) == 0 && !std::ferror(file);
        if (file) {
            // Readable like any file the user makes, not mkstemp's owner-only mode.
            const mode_t mask = ::umask(0);
            ::umask(mask);
            ::fchmod(::fileno(file), 0666 & ~mask);
            written = std::fclose(file) == 0 && written;
        }
        if (!written) {
            ::unlink(temp.constData());
            RecordError(__LINE__, QString("Write XML file error: %1").arg(path));
            return;
        }
        if (::rename(temp.constData(), target.constData()) != 0) {
            const int err = errno;
            ::unlink(temp.constData());
            GetQuentaException()->SetException(
                QB_ERR_FILE_IO,
                QuentaBased::ErrnoMessage("Rename XML file error: " + std::string(target.constData()), err).c_str(),
                __LINE__, kSourceFile);
        }
    });
}

void CXMLDocument::Clear()
{
    m_doc.Clear();
    m_doc.ClearError();
    m_sLoadError.clear();
}

void CXMLDocument::Parse(const char* text)
{
    TranslateExceptions(__LINE__, [&] {
        m_doc.ClearError();
        if (text == nullptr)
            QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
        if (!QuentaBased::CallGuardedVoid(__LINE__, kSourceFile, [&] {
                QuentaBased::check_stored_xml(text, std::strlen(text), kDocumentBounds, "(XML text)");
            }))
            QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
        m_doc.Parse(text, nullptr, TIXML_DEFAULT_ENCODING);
        if (m_doc.Error())
            QB_THROW(QB_ERR_UNEXPECTED, "Unexpected error");
    });
}

TixmlNextIterator::TixmlNextIterator(const TiXmlElement* parent, const char* name)
    : m_pParent(parent), m_sName(name ? name : "")
{
    if (parent == nullptr)
        throw CBaseException(QB_ERR_BAD_POINTER, "Bad pointer", __LINE__, kSourceFile);
}

TiXmlElement* TixmlNextIterator::FollowingSibling(TiXmlElement* element) const
{
    return m_sName.empty() ? element->NextSiblingElement() : element->NextSiblingElement(m_sName.c_str());
}

bool TixmlNextIterator::HasNext()
{
    if (m_pParent != nullptr) {
        // TinyXML hands out mutable children only from a mutable parent; the
        // elements belong to the caller's document, which is not const.
        TiXmlElement* parent = const_cast<TiXmlElement*>(m_pParent);
        m_pNext = m_sName.empty() ? parent->FirstChildElement() : parent->FirstChildElement(m_sName.c_str());
        m_pCurrent = m_pNext;
        m_pParent = nullptr;
        return m_pNext != nullptr;
    }
    if (m_pCurrent == nullptr)
        return false;
    return FollowingSibling(m_pCurrent) != nullptr;
}

TiXmlElement* TixmlNextIterator::Next()
{
    if (m_pNext == nullptr)
        return nullptr;
    m_pCurrent = m_pNext;
    m_pNext = FollowingSibling(m_pCurrent);
    return m_pCurrent;
}
