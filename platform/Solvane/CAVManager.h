#pragma once

// The media manager: options, importers by name and for a file, sources from
// source addresses, and the named values of the current source.

#include "CFFImporter.h"
#include "IAVManager.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace Solvane {

class CAVManager final : public Moorland::IAVManager
{
public:
    CAVManager(const std::string& folder, QuentaBased::IMessageHandler* handler);

    void Release() override;
    Moorland::IAVImporter* CreateImporterByName(const char* name) override;
    Moorland::IAVImporter* CreateImporter(const char* path) override;
    Moorland::IAVExporter* CreateExporterByName(const char* name) override;
    Moorland::IAVSource* CreateSourceFromAddress(const char* address, const char* importerName, int* movieId,
                                                 int* videoStreamId, int* audioStreamId,
                                                 Moorland::MovieInfo** movieInfo) override;
    Moorland::IVideoProcessor* CreateVideoProcessor(const char* name) override;
    Moorland::IAudioEffect* CreateAudioEffect(const char* name) override;
    bool ApplyConfigString(const char* config) override;
    uint32_t GetImporterCount() override;
    const Moorland::ImporterInfo* GetImporterInfoAt(uint32_t index) override;
    uint32_t GetExporterCount() override;
    const char* GetExporterNameAt(uint32_t index) override;
    const char* GetOption(const char* name) override;
    const char* GetVersion() override;
    bool CanImportFile(const char* path) override;
    void SetMessageHandler(QuentaBased::IMessageHandler* handler) override;
    Moorland::IAVSource* CreateSourceFromFile(const char* path, int videoStreamId, int audioStreamId) override;
    void SetOption(const char* name, const char* value) override;
    bool GetProperty(const char* name, char* buffer, int* length) override;
    Moorland::IAccurateTrimManager* CreateAccurateTrimManager(const char* path) override;
    Moorland::IDiscCreator* CreateDiscCreator(const char* name) override;
    int EncoderKeepsPassStatistics(const char* videoCodecName) override;

private:
    ImporterSettings Settings();
    // `forOneSource`: the importer makes one source at once and goes.
    std::unique_ptr<CFFImporter, void (*)(CFFImporter*)> NewByName(const std::string& name, bool forOneSource = false);
    std::unique_ptr<CFFImporter, void (*)(CFFImporter*)> NewForFile(const std::string& path, bool forOneSource = false);
    [[noreturn]] void NotSupported(const std::string& what);

    std::mutex m_lock;
    std::string m_folder;
    QuentaBased::IMessageHandler* m_handler;
    std::map<std::string, std::string> m_options;
    std::shared_ptr<CFFMediaFile> m_currentFile; // of the last source made from an address
    int m_currentVideoIndex = -1;
};

} // namespace Solvane
