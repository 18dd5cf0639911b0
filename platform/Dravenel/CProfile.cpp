#include "CProfile.h"

#include "CBaseException.h"
#include "CProfileParts.h"
#include "CTixmlNode.h"
#include "sysutils_stored.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

const char* const kRootName = "Profile";

// A fresh profile: every part present and empty.
std::unique_ptr<TiXmlDocument> NewDocument()
{
    auto doc = std::make_unique<TiXmlDocument>();
    doc->InsertEndChild(TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement root(kRootName);
    for (const char* part : {"Desc", "File", "Video", "Audio", "Params", "Columns"})
        root.InsertEndChild(TiXmlElement(part));
    doc->InsertEndChild(root);
    return doc;
}

// What a profile may hold: far more than any profile needs, little enough
// that no profile text can exhaust the parser's stack or the memory.
const QuentaBased::StoredXmlBounds kProfileBounds = {4u << 20, 32, 256, 200000};

// Parses profile text; throws when it is no XML or its root is no "Profile".
std::unique_ptr<TiXmlDocument> ParseDocument(const char* text, const std::string& what = "(profile text)")
{
    if (!text)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    QuentaBased::check_stored_xml(text, std::strlen(text), kProfileBounds, what);
    auto doc = std::make_unique<TiXmlDocument>();
    doc->Parse(text, nullptr, TIXML_ENCODING_UTF8);
    if (doc->Error()) {
        std::ostringstream msg;
        msg << "Profile is no valid XML: " << doc->ErrorDesc() << " (line " << doc->ErrorRow() << ", column "
            << doc->ErrorCol() << ")";
        QB_THROW(QB_ERR_FILE_IO, msg.str());
    }
    TiXmlElement* root = doc->RootElement();
    if (!root || std::strcmp(root->Value(), kRootName) != 0)
        QB_THROW(QB_ERR_FILE_IO, "Profile document has no \"Profile\" root element");
    return doc;
}

void WriteAll(int fd, const std::string& data, const std::string& path)
{
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "write " + path, errno);
        }
        done += static_cast<size_t>(n);
    }
}

} // namespace

CProfile::CProfile()
    : m_doc(NewDocument()), m_audio(std::make_unique<CAudioPart>(*this)), m_video(std::make_unique<CVideoPart>(*this)),
      m_file(std::make_unique<CFilePart>(*this)), m_desc(std::make_unique<CDescPart>(*this)),
      m_params(std::make_unique<CParamsPart>(*this))
{}

CProfile::~CProfile() = default;

void CProfile::Release()
{
    delete this;
}

bool CProfile::LoadFile(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        const std::string content = QuentaBased::read_stored_file(path, kProfileBounds.maxBytes);
        if (content.find('\0') != std::string::npos)
            QB_THROW(QB_ERR_MEDIA, std::string("Damaged file ") + path + ": a NUL byte");
        ReplaceDocument(ParseDocument(content.c_str(), path));
        return true;
    });
}

bool CProfile::SaveFile(const char* path)
{
    return QB_GUARDED(false, {
        if (!path || !*path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        TiXmlPrinter printer;
        m_doc->Accept(&printer);
        std::string target(path);
        std::string temp = target + ".XXXXXX";
        std::vector<char> name(temp.begin(), temp.end());
        name.push_back('\0');
        int fd = ::mkstemp(name.data());
        if (fd < 0)
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "create " + temp, errno);
        try {
            WriteAll(fd, printer.Str(), target);
            if (::fsync(fd) != 0)
                QB_THROW_ERRNO(QB_ERR_FILE_IO, "fsync " + target, errno);
        } catch (...) {
            ::close(fd);
            ::unlink(name.data());
            throw;
        }
        ::fchmod(fd, 0644);
        if (::close(fd) != 0) {
            int err = errno;
            ::unlink(name.data());
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "close " + target, err);
        }
        if (::rename(name.data(), path) != 0) {
            int err = errno;
            ::unlink(name.data());
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "rename " + target, err);
        }
        return true;
    });
}

bool CProfile::LoadText(const char* text)
{
    return QB_GUARDED(false, {
        ReplaceDocument(ParseDocument(text));
        return true;
    });
}

IProfile* CProfile::Clone()
{
    return QB_GUARDED(static_cast<IProfile*>(nullptr), {
        auto copy = std::make_unique<CProfile>();
        *copy->m_doc = *m_doc;
        return static_cast<IProfile*>(copy.release());
    });
}

const char* CProfile::GetText()
{
    return QB_GUARDED(static_cast<const char*>(""), {
        TiXmlPrinter printer;
        m_doc->Accept(&printer);
        m_text = printer.Str();
        return m_text.c_str();
    });
}

IDravenelObject* CProfile::GetRootObject()
{
    return QB_GUARDED(static_cast<IDravenelObject*>(nullptr), {
        TiXmlElement* root = m_doc->RootElement();
        return root ? static_cast<IDravenelObject*>(Wrap(root)) : nullptr;
    });
}

IAudioProfile* CProfile::GetAudioProfile()
{
    return FindPart("Audio") ? m_audio.get() : nullptr;
}

IVideoProfile* CProfile::GetVideoProfile()
{
    return FindPart("Video") ? m_video.get() : nullptr;
}

IProfileParams* CProfile::GetParams()
{
    return FindPart("Params") ? m_params.get() : nullptr;
}

IFileProfile* CProfile::GetFileProfile()
{
    return FindPart("File") ? m_file.get() : nullptr;
}

IProfileDesc* CProfile::GetDesc()
{
    return FindPart("Desc") ? m_desc.get() : nullptr;
}

IColItem* CProfile::FixedColumn(const char* name)
{
    return QB_GUARDED(static_cast<IColItem*>(nullptr), {
        auto& slot = m_columns[name];
        if (!slot)
            slot = std::make_unique<CColItem>(*this, name, false);
        return static_cast<IColItem*>(slot.get());
    });
}

IColItem* CProfile::GetACodecItem()
{
    return FixedColumn("ACodec");
}
IColItem* CProfile::GetAChannelItem()
{
    return FixedColumn("AChannel");
}
IColItem* CProfile::GetABitrateItem()
{
    return FixedColumn("ABitrate");
}
IColItem* CProfile::GetASampleRateItem()
{
    return FixedColumn("ASampleRate");
}
IColItem* CProfile::GetVCodecItem()
{
    return FixedColumn("VCodec");
}
IColItem* CProfile::GetVSizeItem()
{
    return FixedColumn("VSize");
}
IColItem* CProfile::GetVBitrateItem()
{
    return FixedColumn("VBitrate");
}
IColItem* CProfile::GetVFramerateItem()
{
    return FixedColumn("VFramerate");
}

IColItem* CProfile::GetColItem(const char* name)
{
    return QB_GUARDED(static_cast<IColItem*>(nullptr), {
        if (!name)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (!CColItem::FindColumn(FindPart("Columns"), name))
            return static_cast<IColItem*>(nullptr);
        return static_cast<IColItem*>(new CColItem(*this, name, true));
    });
}

TiXmlElement* CProfile::FindPart(const char* name)
{
    TiXmlElement* root = m_doc->RootElement();
    return root ? root->FirstChildElement(name) : nullptr;
}

TiXmlElement* CProfile::MakePart(const char* name)
{
    if (TiXmlElement* found = FindPart(name))
        return found;
    TiXmlElement* root = m_doc->RootElement();
    if (!root)
        root = m_doc->InsertEndChild(TiXmlElement(kRootName))->ToElement();
    return root->InsertEndChild(TiXmlElement(name))->ToElement();
}

CTixmlNode* CProfile::Wrap(TiXmlNode* node)
{
    auto& slot = m_nodes[node];
    if (!slot)
        slot = std::make_unique<CTixmlNode>(*this, node);
    return slot.get();
}

void CProfile::ForgetWrappers(TiXmlNode* node)
{
    for (TiXmlNode* child = node->FirstChild(); child; child = child->NextSibling())
        ForgetWrappers(child);
    m_nodes.erase(node);
}

void CProfile::RemoveNode(TiXmlNode* node)
{
    TiXmlNode* parent = node ? node->Parent() : nullptr;
    if (!parent)
        QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
    ForgetWrappers(node);
    parent->RemoveChild(node);
}

void CProfile::ReplaceDocument(std::unique_ptr<TiXmlDocument> doc)
{
    m_nodes.clear();
    m_doc = std::move(doc);
}

extern "C" IProfile* CreateProfile()
{
    return QB_GUARDED(static_cast<IProfile*>(nullptr), { return static_cast<IProfile*>(new CProfile()); });
}
