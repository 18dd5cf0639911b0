#include "CSimpleEditDescription.h"

#include "CBaseException.h"

#include <tinyxml.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace Solvane {

namespace {

const char* const kRoot = "SimpleEditTimeLine";
const int kMaxDepth = 16;

[[noreturn]] void Damaged(const std::string& what)
{
    QB_THROW(QB_ERR_MEDIA, "Damaged edit description: " + what);
}

std::string Text(const TiXmlElement* e, const char* name, bool required)
{
    const char* v = e->Attribute(name);
    if (!v) {
        if (required)
            Damaged(std::string("<") + e->Value() + "> has no " + name);
        return std::string();
    }
    if (strlen(v) > kSeixMaxText)
        Damaged(std::string(name) + " is too long");
    return v;
}

int64_t Integer(const TiXmlElement* e, const char* name, int64_t low, int64_t high, int64_t fallback)
{
    const char* v = e->Attribute(name);
    if (!v)
        return fallback;
    errno = 0;
    char* end = nullptr;
    const long long n = strtoll(v, &end, 10);
    if (errno != 0 || end == v || *end != '\0' || n < low || n > high)
        Damaged(std::string(name) + " \"" + std::string(v).substr(0, 32) + "\" is out of range");
    return n;
}

double Real(const TiXmlElement* e, const char* name, double low, double high, double fallback)
{
    const char* v = e->Attribute(name);
    if (!v)
        return fallback;
    char* end = nullptr;
    const double d = strtod(v, &end);
    if (end == v || *end != '\0' || !std::isfinite(d) || d < low || d > high)
        Damaged(std::string(name) + " \"" + std::string(v).substr(0, 32) + "\" is out of range");
    return d;
}

// TinyXML parses by recursion: a file nested deeper than ours ever is would
// only be a way to exhaust the stack, so it is refused before parsing.
void CheckDepth(const std::string& text)
{
    int depth = 0;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '<')
            continue;
        const char next = text[i + 1];
        if (next == '/') {
            --depth;
            continue;
        }
        if (next == '?' || next == '!')
            continue;
        // To the tag's end, skipping quoted values: "<a/>" opens nothing.
        size_t j = i + 1;
        char quote = 0;
        for (; j < text.size(); ++j) {
            const char ch = text[j];
            if (quote) {
                if (ch == quote)
                    quote = 0;
            } else if (ch == '"' || ch == '\'') {
                quote = ch;
            } else if (ch == '>') {
                break;
            }
        }
        if (j < text.size() && text[j - 1] == '/')
            continue;
        if (++depth > kMaxDepth)
            Damaged("nested too deeply");
    }
}

SeixClip ReadClip(const TiXmlElement* c)
{
    SeixClip clip;
    clip.source = Text(c, "source", true);
    if (clip.source.empty())
        Damaged("a clip has no source");
    clip.importer = Text(c, "importer", false);
    clip.trimStartMs = static_cast<int32_t>(Integer(c, "trimStart", 0, INT32_MAX, 0));
    clip.trimEndMs = static_cast<int32_t>(Integer(c, "trimEnd", -1, INT32_MAX, -1));
    if (clip.trimEndMs != -1 && clip.trimEndMs <= clip.trimStartMs)
        Damaged("a clip ends before it starts");
    clip.movieId = static_cast<int32_t>(Integer(c, "movieId", -2, INT32_MAX, -2));
    const char* cropNames[4] = {"cropLeft", "cropTop", "cropRight", "cropBottom"};
    for (int i = 0; i < 4; ++i)
        clip.crop[i] = static_cast<uint32_t>(Integer(c, cropNames[i], 0, 16384, 0));
    clip.interlaced = static_cast<int>(Integer(c, "interlaced", 0, 1, 0));
    clip.volume = Real(c, "volume", 0.0, 64.0, 1.0);
    clip.mute = static_cast<int>(Integer(c, "mute", 0, 1, 0));
    for (const TiXmlElement* e = c->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const std::string tag = e->Value();
        if (tag == "Format") {
            Moorland::SimpleEditOutputFormat& f = clip.format;
            f.width = static_cast<int32_t>(Integer(e, "width", 0, 16384, 0));
            f.height = static_cast<int32_t>(Integer(e, "height", 0, 16384, 0));
            f.frameRate[1] = static_cast<uint32_t>(Integer(e, "frameRateNum", 0, INT32_MAX, 0));
            f.frameRate[0] = static_cast<uint32_t>(Integer(e, "frameRateDen", 0, INT32_MAX, 0));
            f.sampleRate = static_cast<int32_t>(Integer(e, "sampleRate", 0, 768000, 0));
            f.channels = static_cast<int32_t>(Integer(e, "channels", 0, 64, 0));
            f.aspect = static_cast<uint32_t>(Integer(e, "aspect", 0, UINT32_MAX, 0));
        } else if (tag == "AudioSource") {
            clip.audioPath = Text(e, "path", true);
            clip.audioMovieId = static_cast<int>(Integer(e, "movieId", -2, INT32_MAX, 0));
            clip.audioStreamId = static_cast<int>(Integer(e, "streamId", -2, INT32_MAX, 0));
        } else if (tag == "ReplaceAudio") {
            clip.replacePath = Text(e, "path", true);
            clip.replaceLoop = static_cast<int>(Integer(e, "loop", 0, 1, 0));
        } else if (tag == "Effect") {
            if (clip.effects.size() >= kSeixMaxEffects)
                Damaged("a clip has too many effects");
            SeixEffect effect;
            effect.name = Text(e, "name", true);
            for (const TiXmlElement* p = e->FirstChildElement("Param"); p; p = p->NextSiblingElement("Param")) {
                if (effect.params.size() >= kSeixMaxParams)
                    Damaged("an effect has too many parameters");
                effect.params.emplace_back(Text(p, "name", true), Text(p, "value", true));
            }
            clip.effects.push_back(std::move(effect));
        }
    }
    return clip;
}

TiXmlElement* Child(TiXmlNode* parent, const char* tag)
{
    return parent->LinkEndChild(new TiXmlElement(tag))->ToElement();
}

} // namespace

std::string SeixEffect::Param(const std::string& key, const std::string& fallback) const
{
    for (const auto& p : params)
        if (p.first == key)
            return p.second;
    return fallback;
}

SeixDescription ParseSeix(const std::string& text)
{
    if (text.size() > kSeixMaxFileBytes)
        Damaged("the file is too large");
    if (text.find('\0') != std::string::npos)
        Damaged("the file holds binary data");
    CheckDepth(text);
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (doc.Error())
        Damaged(std::string("not well-formed XML (") + doc.ErrorDesc() + ")");
    const TiXmlElement* root = doc.RootElement();
    if (!root || std::string(root->Value()) != kRoot)
        Damaged("not an edit description");
    const int version = static_cast<int>(Integer(root, "version", 1, 1000, 0));
    if (version == 0)
        Damaged("the description has no version");
    if (version > SeixDescription::kVersion)
        QB_THROW(QB_ERR_MEDIA, "The edit description was written by a newer version (" +
                                   std::to_string(version) + ")");
    SeixDescription d;
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const std::string tag = e->Value();
        if (tag == "Output") {
            d.streams = static_cast<int>(Integer(e, "streams", 0, 3, 0));
            d.outWidth = static_cast<int>(Integer(e, "width", 0, 16384, 0));
            d.outHeight = static_cast<int>(Integer(e, "height", 0, 16384, 0));
            d.frameRateNum = static_cast<uint32_t>(Integer(e, "frameRateNum", 0, INT32_MAX, 0));
            d.frameRateDen = static_cast<uint32_t>(Integer(e, "frameRateDen", 1, INT32_MAX, 1));
        } else if (tag == "Clip") {
            if (d.clips.size() >= kSeixMaxClips)
                Damaged("too many clips");
            d.clips.push_back(ReadClip(e));
        }
    }
    return d;
}

SeixDescription LoadSeix(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "open " + path, errno);
    std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* p) { ::close(*p); delete p; });
    struct stat st;
    if (fstat(fd, &st) != 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "fstat " + path, errno);
    if (!S_ISREG(st.st_mode))
        QB_THROW(QB_ERR_FILE_IO, path + " is not a file");
    if (static_cast<uint64_t>(st.st_size) > kSeixMaxFileBytes)
        Damaged("the file is too large");
    std::string text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            QB_THROW_ERRNO(QB_ERR_FILE_IO, "read " + path, errno);
        }
        if (n == 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
        if (text.size() > kSeixMaxFileBytes)
            Damaged("the file is too large");
    }
    return ParseSeix(text);
}

std::string FormatSeix(const SeixDescription& d)
{
    TiXmlDocument doc;
    doc.LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    TiXmlElement* root = Child(&doc, kRoot);
    root->SetAttribute("version", SeixDescription::kVersion);
    TiXmlElement* out = Child(root, "Output");
    out->SetAttribute("streams", d.streams);
    out->SetAttribute("width", d.outWidth);
    out->SetAttribute("height", d.outHeight);
    out->SetAttribute("frameRateNum", static_cast<int>(d.frameRateNum));
    out->SetAttribute("frameRateDen", static_cast<int>(d.frameRateDen));
    for (const SeixClip& clip : d.clips) {
        TiXmlElement* c = Child(root, "Clip");
        c->SetAttribute("source", clip.source);
        c->SetAttribute("importer", clip.importer);
        c->SetAttribute("trimStart", clip.trimStartMs);
        c->SetAttribute("trimEnd", clip.trimEndMs);
        c->SetAttribute("movieId", clip.movieId);
        c->SetAttribute("cropLeft", static_cast<int>(clip.crop[0]));
        c->SetAttribute("cropTop", static_cast<int>(clip.crop[1]));
        c->SetAttribute("cropRight", static_cast<int>(clip.crop[2]));
        c->SetAttribute("cropBottom", static_cast<int>(clip.crop[3]));
        c->SetAttribute("interlaced", clip.interlaced);
        char volume[64];
        snprintf(volume, sizeof volume, "%.17g", clip.volume);
        c->SetAttribute("volume", volume);
        c->SetAttribute("mute", clip.mute);
        TiXmlElement* f = Child(c, "Format");
        f->SetAttribute("width", clip.format.width);
        f->SetAttribute("height", clip.format.height);
        f->SetAttribute("frameRateNum", std::to_string(clip.format.frameRate[1]));
        f->SetAttribute("frameRateDen", std::to_string(clip.format.frameRate[0]));
        f->SetAttribute("sampleRate", clip.format.sampleRate);
        f->SetAttribute("channels", clip.format.channels);
        f->SetAttribute("aspect", std::to_string(clip.format.aspect));
        if (!clip.audioPath.empty()) {
            TiXmlElement* a = Child(c, "AudioSource");
            a->SetAttribute("path", clip.audioPath);
            a->SetAttribute("movieId", clip.audioMovieId);
            a->SetAttribute("streamId", clip.audioStreamId);
        }
        if (!clip.replacePath.empty()) {
            TiXmlElement* r = Child(c, "ReplaceAudio");
            r->SetAttribute("path", clip.replacePath);
            r->SetAttribute("loop", clip.replaceLoop);
        }
        for (const SeixEffect& effect : clip.effects) {
            TiXmlElement* e = Child(c, "Effect");
            e->SetAttribute("name", effect.name);
            for (const auto& p : effect.params) {
                TiXmlElement* pe = Child(e, "Param");
                pe->SetAttribute("name", p.first);
                pe->SetAttribute("value", p.second);
            }
        }
    }
    TiXmlPrinter printer;
    printer.SetIndent("  ");
    doc.Accept(&printer);
    return printer.Str();
}

void SaveSeix(const SeixDescription& d, const std::string& path)
{
    if (path.empty())
        QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
    const std::string text = FormatSeix(d);
    std::string tmpl = path + ".XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "create " + tmpl, errno);
    const std::string tmp(name.data());
    bool ok = true;
    int err = 0;
    size_t done = 0;
    while (ok && done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ok = false;
            err = n < 0 ? errno : ENOSPC;
        } else {
            done += static_cast<size_t>(n);
        }
    }
    if (ok && fsync(fd) != 0) {
        ok = false;
        err = errno;
    }
    // Readable like any file the user makes, not mkstemp's owner-only mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(tmp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmp.c_str());
        QB_THROW_ERRNO(QB_ERR_FILE_IO, "write " + path, err);
    }
}

} // namespace Solvane
