#include "CAVManager.h"
#include "SolvaneFFLog.h"

#include "CBaseException.h"
#include "CFFAccurateTrim.h"
#include "CFFBDCreator.h"
#include "CFFDVDCreator.h"
#include "CFFExporter.h"
#include "CFFStreamEncoder.h"
#include "CQTExporter.h"
#include "SolvaneEdit.h"
#include "moorlan_srcutils/moorlan_url.h"

#include <cstring>

namespace Solvane {

namespace {
void ReleaseImporter(CFFImporter* importer)
{
    if (importer)
        importer->Release();
}
using ImporterPtr = std::unique_ptr<CFFImporter, void (*)(CFFImporter*)>;
} // namespace

CAVManager::CAVManager(const std::string& folder, QuentaBased::IMessageHandler* handler)
    : m_folder(folder), m_handler(handler)
{}

void CAVManager::Release()
{
    delete this;
}

ImporterSettings CAVManager::Settings()
{
    std::lock_guard<std::mutex> guard(m_lock);
    ImporterSettings s;
    auto decoder = m_options.find("SELECTED_DECODER");
    if (decoder != m_options.end())
        s.decoder.selected = decoder->second;
    auto key = m_options.find("TiVoMediaAccessKey");
    if (key != m_options.end())
        s.tivoKey = key->second;
    auto subtitles = m_options.find("ReadSubtitleOnly");
    s.subtitlesOnly = subtitles != m_options.end() && (subtitles->second == "TRUE" || subtitles->second == "1");
    return s;
}

void CAVManager::NotSupported(const std::string& what)
{
    QB_THROW(QB_ERR_UNEXPECTED, what + " is not supported by this media manager yet");
}

ImporterPtr CAVManager::NewByName(const std::string& name, bool forOneSource)
{
    ImporterSettings settings = Settings();
    settings.keepProbe = forOneSource;
    if (name == CFFImporter::kName)
        return ImporterPtr(new CFFImporter(false, settings), ReleaseImporter);
    if (name == CFFImporter::kImageName)
        return ImporterPtr(new CFFImporter(true, settings), ReleaseImporter);
    NotSupported("The importer \"" + name + "\"");
}

ImporterPtr CAVManager::NewForFile(const std::string& path, bool forOneSource)
{
    ImporterSettings settings = Settings();
    settings.keepProbe = forOneSource;
    ImporterPtr importer(new CFFImporter(false, settings), ReleaseImporter);
    importer->OpenFile(path);
    if (!importer->File()->IsImage())
        return importer;
    ImporterPtr still(new CFFImporter(true, Settings()), ReleaseImporter);
    still->AdoptFile(importer->File());
    return still;
}

Moorland::IAVImporter* CAVManager::CreateImporterByName(const char* name)
{
    return QB_GUARDED(static_cast<Moorland::IAVImporter*>(nullptr), {
        if (!name || !*name)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        if (Moorland::IAVImporter* edit = CreateEditImporter(this, name))
            return edit;
        return static_cast<Moorland::IAVImporter*>(NewByName(name).release());
    });
}

Moorland::IAVImporter* CAVManager::CreateImporter(const char* path)
{
    return QB_GUARDED(static_cast<Moorland::IAVImporter*>(nullptr), {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        return static_cast<Moorland::IAVImporter*>(NewForFile(path).release());
    });
}

Moorland::IAVExporter* CAVManager::CreateExporterByName(const char* name)
{
    return QB_GUARDED(static_cast<Moorland::IAVExporter*>(nullptr), {
        if (name && std::strcmp(name, CFFExporter::kName) == 0)
            return static_cast<Moorland::IAVExporter*>(new CFFExporter());
        if (name && std::strcmp(name, CQTExporter::kName) == 0)
            return static_cast<Moorland::IAVExporter*>(new CQTExporter());
        NotSupported(std::string("The exporter \"") + (name ? name : "") + "\"");
        return static_cast<Moorland::IAVExporter*>(nullptr);
    });
}

Moorland::IAVSource* CAVManager::CreateSourceFromAddress(const char* address, const char* importerName, int* movieId,
                                                         int* videoStreamId, int* audioStreamId,
                                                         Moorland::MovieInfo** movieInfo)
{
    return QB_GUARDED(static_cast<Moorland::IAVSource*>(nullptr), {
        if (!address)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        if (Moorland::IsEditDescriptionSource(importerName, address))
            return CreateEditSource(this, address, movieId, videoStreamId, audioStreamId, movieInfo);
        Moorland::CSourceURL url(address);
        std::string name = importerName && *importerName ? importerName : url.GetProtocol();
        const std::string path = url.GetFilePath();
        ImporterPtr importer = name.empty() ? NewForFile(path, true) : NewByName(name, true);
        const std::string duration = url.GetParam("duration");
        if (!duration.empty())
            importer->SetOption("duration", duration.c_str());
        if (!name.empty())
            importer->OpenFile(path);
        if (url.GetParam("usemultithreaddecode") == "1")
            importer->SetProperty(1, 1);

        // A still picture has one movie and no sound: the movie and sound of
        // the clip it stands in for are not its own.
        const bool still = importer->IsStill();
        const FFMovie& movie = importer->MovieOrThrow(still ? -2 : url.GetMovieID());
        auto pick = [&movie](int id, Moorland::StreamType type) {
            if (id == -2)
                return CFFMediaFile::FirstStreamId(movie, type);
            if (id != -1 && CFFMediaFile::StreamIndexOf(movie, id, type) < 0)
                QB_THROW(QB_ERR_BAD_PARAM, "Bad stream id");
            return id;
        };
        const int video = pick(url.GetVideoStreamID(), Moorland::StreamTypeVideo);
        const int audio = still ? -1 : pick(url.GetAudioStreamID(), Moorland::StreamTypeAudio);
        if (video == -1 && audio == -1)
            QB_THROW(QB_ERR_BAD_PARAM, "No video or audio streams");
        Moorland::MovieInfo* info = nullptr;
        Moorland::IAVSource* source = importer->MakeSource(movie.info->id, video, audio, &info);
        // A probe the source did not take over closes now, not with the file.
        importer->File()->TakeProbedDemuxer();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_currentFile = importer->File();
            m_currentVideoIndex =
                video >= 0 ? CFFMediaFile::StreamIndexOf(movie, video, Moorland::StreamTypeVideo) : -1;
        }
        if (movieId)
            *movieId = movie.info->id;
        if (videoStreamId)
            *videoStreamId = video;
        if (audioStreamId)
            *audioStreamId = audio;
        if (movieInfo)
            *movieInfo = info;
        return source;
    });
}

Moorland::IVideoProcessor* CAVManager::CreateVideoProcessor(const char* name)
{
    return CreateNamedVideoProcessor(this, name);
}

Moorland::IAudioEffect* CAVManager::CreateAudioEffect(const char* name)
{
    return CreateNamedAudioEffect(this, name);
}

bool CAVManager::ApplyConfigString(const char* config)
{
    return QB_GUARDED(false, {
        if (!config)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::string text(config);
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find_first_of(";\n", start);
            if (end == std::string::npos)
                end = text.size();
            std::string item = text.substr(start, end - start);
            size_t eq = item.find('=');
            if (eq != std::string::npos && eq > 0)
                SetOption(item.substr(0, eq).c_str(), item.substr(eq + 1).c_str());
            start = end + 1;
        }
        return true;
    });
}

uint32_t CAVManager::GetImporterCount()
{
    return 2;
}

const Moorland::ImporterInfo* CAVManager::GetImporterInfoAt(uint32_t index)
{
    return index < 2 ? CFFImporter::Info(index == 1) : nullptr;
}

uint32_t CAVManager::GetExporterCount()
{
    return 2;
}

const char* CAVManager::GetExporterNameAt(uint32_t index)
{
    return index == 0 ? CFFExporter::kName : index == 1 ? CQTExporter::kName : nullptr;
}

const char* CAVManager::GetOption(const char* name)
{
    if (!name)
        return nullptr;
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = m_options.find(name);
    return it == m_options.end() ? nullptr : it->second.c_str();
}

const char* CAVManager::GetVersion()
{
    static const std::string version = std::string("Solvane 1.0, libavformat ") + AV_STRINGIFY(LIBAVFORMAT_VERSION);
    return version.c_str();
}

bool CAVManager::CanImportFile(const char* path)
{
    return QB_GUARDED(false, {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        CFFMediaFile::Open(path);
        return true;
    });
}

void CAVManager::SetMessageHandler(QuentaBased::IMessageHandler* handler)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_handler = handler;
}

Moorland::IAVSource* CAVManager::CreateSourceFromFile(const char* path, int videoStreamId, int audioStreamId)
{
    return QB_GUARDED(static_cast<Moorland::IAVSource*>(nullptr), {
        if (!path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        ImporterPtr importer = NewForFile(path, true);
        Moorland::IAVSource* source = importer->MakeSource(-2, videoStreamId, audioStreamId, nullptr);
        importer->File()->TakeProbedDemuxer();
        return source;
    });
}

void CAVManager::SetOption(const char* name, const char* value)
{
    QB_GUARDED_VOID({
        if (!name)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::lock_guard<std::mutex> guard(m_lock);
        m_options[name] = value ? value : "";
    });
}

bool CAVManager::GetProperty(const char* name, char* buffer, int* length)
{
    return QB_GUARDED(false, {
        if (!name || !length)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        std::string value;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_currentFile)
                value = m_currentFile->Property(name, m_currentVideoIndex);
        }
        if (!buffer) {
            *length = static_cast<int>(value.size());
            return !value.empty();
        }
        if (*length < 0)
            QB_THROW(QB_ERR_BAD_PARAM, "Bad param");
        // The caller's buffer holds *length + 1 bytes: the text and its end.
        const size_t room = static_cast<size_t>(*length);
        const size_t n = std::min(room, value.size());
        memcpy(buffer, value.data(), n);
        buffer[n] = '\0';
        *length = static_cast<int>(value.size());
        return !value.empty();
    });
}

Moorland::IAccurateTrimManager* CAVManager::CreateAccurateTrimManager(const char* path)
{
    return QB_GUARDED(static_cast<Moorland::IAccurateTrimManager*>(nullptr), {
        if (!path || !*path)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        return static_cast<Moorland::IAccurateTrimManager*>(new CFFAccurateTrim(path));
    });
}

Moorland::IDiscCreator* CAVManager::CreateDiscCreator(const char* name)
{
    return QB_GUARDED(static_cast<Moorland::IDiscCreator*>(nullptr), {
        if (name && std::strcmp(name, "IDVDCreator") == 0)
            return static_cast<Moorland::IDiscCreator*>(new CFFDVDCreator(this));
        if (name && std::strcmp(name, "IBDCreator") == 0)
            return static_cast<Moorland::IDiscCreator*>(new CFFBDCreator(this));
        NotSupported(std::string("The disc creator \"") + (name ? name : "") + "\"");
        return static_cast<Moorland::IDiscCreator*>(nullptr);
    });
}

int CAVManager::EncoderKeepsPassStatistics(const char* videoCodecName)
{
    return QB_GUARDED(-1, {
        if (!videoCodecName || !*videoCodecName)
            QB_THROW(QB_ERR_BAD_POINTER, "Bad pointer");
        return KeepsPassStatistics(FindEncoder(videoCodecName, nullptr, true)) ? 1 : 0;
    });
}

} // namespace Solvane

extern "C" Moorland::IAVManager* CreateAVManager(const char* folder, QuentaBased::IMessageHandler* handler)
{
    return QB_GUARDED(static_cast<Moorland::IAVManager*>(nullptr), {
        // FFmpeg's warnings about damaged files go to the log, naming the file.
        Solvane::InstallFFLog();
        return static_cast<Moorland::IAVManager*>(new Solvane::CAVManager(folder ? folder : "", handler));
    });
}
