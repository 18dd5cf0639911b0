#include "SeixDescription.h"

#include "CBaseException.h"
#include "sysutils_stored.h"

#include <tinyxml.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace Solvane {

namespace {

const char* const kRoot = "SimpleEditTimeLine";

// A description is four levels deep (timeline, clip, effect, parameter);
// the rest of the bounds follow from the file's size.
const QuentaBased::StoredXmlBounds kSeixBounds = {kSeixMaxFileBytes, 16, 64, 1000000};

// The ranges a reader accepts; the writer checks the same ones first.
const int64_t kMaxPictureSide = 16384;
// Averaged rates of variable-rate sources need large terms (9900000/180089).
const int64_t kMaxFrameRateTerm = INT32_MAX;
const int64_t kMaxSampleRate = 768000;
const int64_t kMaxChannels = 64;
const double kMaxVolume = 64.0;

[[noreturn]] void Damaged(const std::string& what)
{
    QB_THROW(QB_ERR_MEDIA, "Damaged edit description: " + what);
}

// "<Clip> (line 12)": where a reader found what it refuses.
std::string Where(const TiXmlElement* e)
{
    return std::string("<") + e->Value() + "> (line " + std::to_string(e->Row()) + ")";
}

std::string Text(const TiXmlElement* e, const char* name, bool required)
{
    const char* v = e->Attribute(name);
    if (!v) {
        if (required)
            Damaged(Where(e) + " has no " + name);
        return std::string();
    }
    if (strlen(v) > kSeixMaxText)
        Damaged(Where(e) + ": " + name + " is too long");
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
        Damaged(Where(e) + ": " + name + " \"" + std::string(v).substr(0, 32) + "\" is out of range");
    return n;
}

// Reals are stored with a point, whatever the writer's locale. A comma in
// place of the point is what earlier builds wrote under a comma locale.
double Real(const TiXmlElement* e, const char* name, double low, double high, double fallback)
{
    const char* v = e->Attribute(name);
    if (!v)
        return fallback;
    std::string text(v);
    if (text.find('.') == std::string::npos && std::count(text.begin(), text.end(), ',') == 1)
        text[text.find(',')] = '.';
    double d = 0.0;
    const char* first = text.c_str();
    const char* last = first + text.size();
    const auto r = std::from_chars(first, last, d);
    if (r.ec != std::errc() || r.ptr != last || text.empty() || !std::isfinite(d) || d < low || d > high)
        Damaged(Where(e) + ": " + name + " \"" + text.substr(0, 32) + "\" is out of range");
    return d;
}

std::string RealText(double value)
{
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, value);
    return std::string(text, r.ptr);
}

[[noreturn]] void Unwritable(const std::string& what)
{
    QB_THROW(QB_ERR_BAD_PARAM, "The edit description cannot be saved: " + what);
}

void CheckRange(int64_t value, int64_t low, int64_t high, const std::string& what)
{
    if (value < low || value > high)
        Unwritable(what + " " + std::to_string(value) + " is outside " + std::to_string(low) + " to " +
                   std::to_string(high));
}

void CheckText(const std::string& text, const std::string& what)
{
    if (text.size() > kSeixMaxText)
        Unwritable(what + " is longer than " + std::to_string(kSeixMaxText) + " bytes");
    if (!QuentaBased::is_storable_text(text.data(), text.size()))
        Unwritable(what + " is not UTF-8 text");
}

// A trimmed clip must hold one picture of its own rate; whole milliseconds
// round a picture's length down by less than one.
bool ShorterThanAPicture(const SeixClip& c)
{
    const uint32_t num = c.format.frameRate[1], den = c.format.frameRate[0];
    if (c.trimEndMs == -1 || num == 0 || den == 0)
        return false;
    return (static_cast<int64_t>(c.trimEndMs) - c.trimStartMs + 1) * num < 1000 * static_cast<int64_t>(den);
}

// Everything a reader would refuse, refused before a byte is written.
void CheckWritable(const SeixDescription& d)
{
    CheckRange(d.streams, 0, 3, "streams");
    CheckRange(d.outWidth, 0, kMaxPictureSide, "output width");
    CheckRange(d.outHeight, 0, kMaxPictureSide, "output height");
    CheckRange(d.frameRateNum, 0, kMaxFrameRateTerm, "output frame rate numerator");
    CheckRange(d.frameRateDen, 1, kMaxFrameRateTerm, "output frame rate denominator");
    if (d.clips.size() > kSeixMaxClips)
        Unwritable("more than " + std::to_string(kSeixMaxClips) + " clips");
    for (size_t i = 0; i < d.clips.size(); ++i) {
        const SeixClip& c = d.clips[i];
        const std::string at = "clip " + std::to_string(i + 1) + ": ";
        CheckText(c.source, at + "source");
        if (c.source.empty())
            Unwritable(at + "no source");
        CheckText(c.importer, at + "importer");
        CheckRange(c.trimStartMs, 0, INT32_MAX, at + "trim start");
        CheckRange(c.trimEndMs, -1, INT32_MAX, at + "trim end");
        if (c.trimEndMs != -1 && c.trimEndMs <= c.trimStartMs)
            Unwritable(at + "the trim end " + std::to_string(c.trimEndMs) + " is not after the start " +
                       std::to_string(c.trimStartMs));
        CheckRange(c.movieId, -2, INT32_MAX, at + "movie");
        for (uint32_t edge : c.crop)
            CheckRange(edge, 0, kMaxPictureSide, at + "crop");
        CheckRange(c.interlaced, 0, 1, at + "interlaced");
        if (!std::isfinite(c.volume) || c.volume < 0.0 || c.volume > kMaxVolume)
            Unwritable(at + "volume " + RealText(c.volume) + " is outside 0 to 64");
        CheckRange(c.mute, 0, 1, at + "mute");
        CheckRange(c.format.width, 0, kMaxPictureSide, at + "width");
        CheckRange(c.format.height, 0, kMaxPictureSide, at + "height");
        CheckRange(c.format.frameRate[1], 0, kMaxFrameRateTerm, at + "frame rate numerator");
        CheckRange(c.format.frameRate[0], 0, kMaxFrameRateTerm, at + "frame rate denominator");
        CheckRange(c.format.sampleRate, 0, kMaxSampleRate, at + "sample rate");
        CheckRange(c.format.channels, 0, kMaxChannels, at + "channels");
        if (ShorterThanAPicture(c))
            Unwritable(at + "the trim from " + std::to_string(c.trimStartMs) + " to " + std::to_string(c.trimEndMs) +
                       " ms is shorter than one picture");
        CheckText(c.audioPath, at + "audio source");
        if (!c.audioPath.empty()) {
            CheckRange(c.audioMovieId, -2, INT32_MAX, at + "audio source movie");
            CheckRange(c.audioStreamId, -2, INT32_MAX, at + "audio source stream");
        }
        CheckText(c.replacePath, at + "replacement audio");
        if (!c.replacePath.empty())
            CheckRange(c.replaceLoop, 0, 1, at + "replacement audio loop");
        if (c.effects.size() > kSeixMaxEffects)
            Unwritable(at + "more than " + std::to_string(kSeixMaxEffects) + " effects");
        for (const SeixEffect& effect : c.effects) {
            CheckText(effect.name, at + "effect name");
            if (effect.params.size() > kSeixMaxParams)
                Unwritable(at + "effect " + effect.name + " has more than " + std::to_string(kSeixMaxParams) +
                           " parameters");
            for (const auto& p : effect.params) {
                CheckText(p.first, at + "effect " + effect.name + " parameter name");
                CheckText(p.second, at + "effect " + effect.name + " parameter " + p.first);
            }
        }
    }
}

[[noreturn]] void Unknown(const TiXmlElement* e)
{
    Damaged("unknown element " + Where(e));
}

void NoChildren(const TiXmlElement* e)
{
    if (const TiXmlElement* child = e->FirstChildElement())
        Unknown(child);
}

// Every attribute and every kind of node of this version is known, and a
// newer version is refused as a whole: anything else is damage. A flipped
// bit turns an attribute's name into an unknown one (its value would be
// lost) and the "<" of an element into text (the element would vanish).
void CheckShape(const TiXmlElement* e, std::initializer_list<const char*> attributes)
{
    for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
        if (std::none_of(attributes.begin(), attributes.end(),
                         [a](const char* known) { return std::strcmp(known, a->Name()) == 0; }))
            Damaged(Where(e) + " has an unknown attribute \"" + std::string(a->Name()).substr(0, 32) + "\"");
    }
    for (const TiXmlNode* n = e->FirstChild(); n; n = n->NextSibling()) {
        if (n->Type() == TiXmlNode::TINYXML_TEXT)
            Damaged("text where an element should be, in " + Where(e) + " at line " + std::to_string(n->Row()));
        if (n->Type() != TiXmlNode::TINYXML_ELEMENT && n->Type() != TiXmlNode::TINYXML_COMMENT)
            Damaged("unknown content in " + Where(e) + " at line " + std::to_string(n->Row()));
    }
}

SeixClip ReadClip(const TiXmlElement* c)
{
    CheckShape(c, {"source", "importer", "trimStart", "trimEnd", "movieId", "cropLeft", "cropTop", "cropRight",
                   "cropBottom", "interlaced", "volume", "mute"});
    SeixClip clip;
    clip.source = Text(c, "source", true);
    if (clip.source.empty())
        Damaged(Where(c) + " has no source");
    clip.importer = Text(c, "importer", false);
    clip.trimStartMs = static_cast<int32_t>(Integer(c, "trimStart", 0, INT32_MAX, 0));
    clip.trimEndMs = static_cast<int32_t>(Integer(c, "trimEnd", -1, INT32_MAX, -1));
    if (clip.trimEndMs != -1 && clip.trimEndMs <= clip.trimStartMs)
        Damaged(Where(c) + " ends before it starts");
    clip.movieId = static_cast<int32_t>(Integer(c, "movieId", -2, INT32_MAX, -2));
    const char* cropNames[4] = {"cropLeft", "cropTop", "cropRight", "cropBottom"};
    for (int i = 0; i < 4; ++i)
        clip.crop[i] = static_cast<uint32_t>(Integer(c, cropNames[i], 0, kMaxPictureSide, 0));
    clip.interlaced = static_cast<int>(Integer(c, "interlaced", 0, 1, 0));
    clip.volume = Real(c, "volume", 0.0, kMaxVolume, 1.0);
    clip.mute = static_cast<int>(Integer(c, "mute", 0, 1, 0));
    for (const TiXmlElement* e = c->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const std::string tag = e->Value();
        if (tag != "Effect")
            NoChildren(e);
        if (tag == "Format") {
            CheckShape(e, {"width", "height", "frameRateNum", "frameRateDen", "sampleRate", "channels", "aspect"});
            Moorland::SimpleEditOutputFormat& f = clip.format;
            f.width = static_cast<int32_t>(Integer(e, "width", 0, kMaxPictureSide, 0));
            f.height = static_cast<int32_t>(Integer(e, "height", 0, kMaxPictureSide, 0));
            f.frameRate[1] = static_cast<uint32_t>(Integer(e, "frameRateNum", 0, kMaxFrameRateTerm, 0));
            f.frameRate[0] = static_cast<uint32_t>(Integer(e, "frameRateDen", 0, kMaxFrameRateTerm, 0));
            f.sampleRate = static_cast<int32_t>(Integer(e, "sampleRate", 0, kMaxSampleRate, 0));
            f.channels = static_cast<int32_t>(Integer(e, "channels", 0, kMaxChannels, 0));
            f.aspect = static_cast<uint32_t>(Integer(e, "aspect", 0, UINT32_MAX, 0));
        } else if (tag == "AudioSource") {
            CheckShape(e, {"path", "movieId", "streamId"});
            clip.audioPath = Text(e, "path", true);
            clip.audioMovieId = static_cast<int>(Integer(e, "movieId", -2, INT32_MAX, 0));
            clip.audioStreamId = static_cast<int>(Integer(e, "streamId", -2, INT32_MAX, 0));
        } else if (tag == "ReplaceAudio") {
            CheckShape(e, {"path", "loop"});
            clip.replacePath = Text(e, "path", true);
            clip.replaceLoop = static_cast<int>(Integer(e, "loop", 0, 1, 0));
        } else if (tag == "Effect") {
            if (clip.effects.size() >= kSeixMaxEffects)
                Damaged(Where(c) + " has too many effects");
            CheckShape(e, {"name"});
            SeixEffect effect;
            effect.name = Text(e, "name", true);
            for (const TiXmlElement* p = e->FirstChildElement(); p; p = p->NextSiblingElement()) {
                if (std::string(p->Value()) != "Param")
                    Unknown(p);
                NoChildren(p);
                CheckShape(p, {"name", "value"});
                if (effect.params.size() >= kSeixMaxParams)
                    Damaged(Where(e) + " has too many parameters");
                effect.params.emplace_back(Text(p, "name", true), Text(p, "value", true));
            }
            clip.effects.push_back(std::move(effect));
        } else {
            Unknown(e);
        }
    }
    if (ShorterThanAPicture(clip))
        Damaged(Where(c) + " is shorter than one picture");
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

namespace {

SeixDescription ParseSeixText(const std::string& text, const std::string& what)
{
    QuentaBased::check_stored_xml(text.data(), text.size(), kSeixBounds, what);
    TiXmlDocument doc;
    doc.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
    if (doc.Error())
        Damaged(std::string("not well-formed XML (") + doc.ErrorDesc() + ", line " + std::to_string(doc.ErrorRow()) +
                ")");
    const TiXmlElement* root = doc.RootElement();
    if (!root || std::string(root->Value()) != kRoot)
        Damaged("not an edit description");
    CheckShape(root, {"version"});
    const int version = static_cast<int>(Integer(root, "version", 1, 1000, 0));
    if (version == 0)
        Damaged("the description has no version");
    if (version > SeixDescription::kVersion)
        QB_THROW(QB_ERR_MEDIA, "The edit description was written by a newer version (" + std::to_string(version) + ")");
    SeixDescription d;
    for (const TiXmlElement* e = root->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const std::string tag = e->Value();
        if (tag == "Output") {
            NoChildren(e);
            CheckShape(e, {"streams", "width", "height", "frameRateNum", "frameRateDen"});
            d.streams = static_cast<int>(Integer(e, "streams", 0, 3, 0));
            d.outWidth = static_cast<int>(Integer(e, "width", 0, kMaxPictureSide, 0));
            d.outHeight = static_cast<int>(Integer(e, "height", 0, kMaxPictureSide, 0));
            d.frameRateNum = static_cast<uint32_t>(Integer(e, "frameRateNum", 0, kMaxFrameRateTerm, 0));
            d.frameRateDen = static_cast<uint32_t>(Integer(e, "frameRateDen", 1, kMaxFrameRateTerm, 1));
        } else if (tag == "Clip") {
            if (d.clips.size() >= kSeixMaxClips)
                Damaged("too many clips");
            d.clips.push_back(ReadClip(e));
        } else {
            // Every element of this version is known: another one is damage,
            // and skipping it would lose what it held without a word.
            Unknown(e);
        }
    }
    return d;
}

} // namespace

SeixDescription ParseSeix(const std::string& text)
{
    return ParseSeixText(text, "(edit description text)");
}

SeixDescription LoadSeix(const std::string& path)
{
    const std::string text = QuentaBased::read_stored_file(path, kSeixMaxFileBytes);
    try {
        return ParseSeixText(text, path);
    } catch (CBaseException& e) {
        if (e.GetExceptionCode() == QB_ERR_MEDIA && std::string(e.GetExceptionMsg()).find(path) == std::string::npos)
            throw CBaseException(QB_ERR_MEDIA, std::string(e.GetExceptionMsg()) + " in " + path, __LINE__, __FILE__);
        throw;
    }
}

std::string FormatSeix(const SeixDescription& d)
{
    CheckWritable(d);
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
        c->SetAttribute("volume", RealText(clip.volume));
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
