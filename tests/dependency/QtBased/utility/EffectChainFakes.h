#pragma once

// A media manager that makes recording processors and effects, so the
// effect chains' calls (names, parameter texts, order) can be checked.

#include "IAVManager.h"
#include "IVideoProcessor.h"

#include <cstdint>
#include <string>
#include <vector>

namespace ChainTest {

struct Log
{
    std::vector<std::string>
        calls; // "create NAME", "release NAME", "NAME.param=value", "NAME.process", "NAME.inplace", "NAME.time=T"
    bool Has(const std::string& c) const
    {
        for (const auto& x : calls)
            if (x == c)
                return true;
        return false;
    }
    int Count(const std::string& c) const
    {
        int n = 0;
        for (const auto& x : calls)
            n += x == c;
        return n;
    }
};

// The layer interface of a fake "VideoComposite": layers are numbered handles.
class FakeComposite : public Moorland::IAVComposite
{
public:
    explicit FakeComposite(Log& log) : m_log(log) {}
    void* AddLayer(const char* address, Moorland::CompositeLayerInfo* info) override
    {
        m_log.calls.push_back(std::string("AddLayer ") + address + " " + std::to_string(info->x) + "," +
                              std::to_string(info->y) + " " + std::to_string(info->width) + "x" +
                              std::to_string(info->height));
        m_info = *info;
        return reinterpret_cast<void*>(static_cast<intptr_t>(++m_layers));
    }
    bool RemoveLayer(void* layer) override
    {
        m_log.calls.push_back("RemoveLayer " + std::to_string(reinterpret_cast<intptr_t>(layer)));
        return true;
    }
    bool GetLayerInfo(void*, Moorland::CompositeLayerInfo* info) override
    {
        *info = m_info;
        return true;
    }
    bool SetLayerInfo(void*, Moorland::CompositeLayerInfo* info) override
    {
        m_log.calls.push_back("SetLayerInfo " + std::to_string(info->x) + "," + std::to_string(info->y) + " " +
                              std::to_string(info->width) + "x" + std::to_string(info->height));
        m_info = *info;
        return true;
    }
    Moorland::IAVLayerObject* GetLayerObject(void*) override { return nullptr; }
    bool UpdateLayer(void*) override { return true; }

private:
    Log& m_log;
    Moorland::CompositeLayerInfo m_info{};
    int m_layers = 0;
};

class FakeProcessor : public Moorland::IVideoProcessor
{
public:
    FakeProcessor(Log& log, std::string name) : m_log(log), m_name(std::move(name)), m_composite(log) {}
    void* QueryInterface(const char* name) override
    {
        return m_name == "VideoComposite" && std::string(name) == "IAVComposite" ? &m_composite : nullptr;
    }
    void Release() override
    {
        m_log.calls.push_back("release " + m_name);
        delete this;
    }
    bool SetParameter(const char* n, const char* v) override
    {
        m_log.calls.push_back(m_name + "." + n + "=" + v);
        return true;
    }
    void SetTimePosition(int32_t t) override { m_log.calls.push_back(m_name + ".time=" + std::to_string(t)); }
    Moorland::IRawVideoFrame* ProcessFrame(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame* f) override
    {
        m_log.calls.push_back(m_name + ".process");
        return f; // the same frame stands for the new one
    }
    bool ProcessFrameInPlace(Moorland::ProcessParams*, uint32_t, Moorland::IRawVideoFrame*) override
    {
        m_log.calls.push_back(m_name + ".inplace");
        return true;
    }

private:
    Log& m_log;
    std::string m_name;
    FakeComposite m_composite;
};

class FakeAudioEffect : public Moorland::IAudioEffect
{
public:
    FakeAudioEffect(Log& log, std::string name) : m_log(log), m_name(std::move(name)) {}
    void Release() override
    {
        m_log.calls.push_back("release " + m_name);
        delete this;
    }
    bool SetParameter(const char* n, const char* v) override
    {
        m_log.calls.push_back(m_name + "." + n + "=" + v);
        return true;
    }
    void SetTimePosition(int64_t t) override { m_log.calls.push_back(m_name + ".time=" + std::to_string(t)); }
    Moorland::IRawAudioFrame* ProcessFrame(Moorland::IRawAudioFrame* f) override
    {
        m_log.calls.push_back(m_name + ".process");
        return f;
    }
    bool ProcessFrameInPlace(Moorland::IRawAudioFrame*) override
    {
        m_log.calls.push_back(m_name + ".inplace");
        return true;
    }

private:
    Log& m_log;
    std::string m_name;
};

class FakeManager : public Moorland::IAVManager
{
public:
    Log log;
    void Release() override {}
    Moorland::IAVImporter* CreateImporterByName(const char*) override { return nullptr; }
    Moorland::IAVImporter* CreateImporter(const char*) override { return nullptr; }
    Moorland::IAVExporter* CreateExporterByName(const char*) override { return nullptr; }
    Moorland::IAVSource* CreateSourceFromAddress(const char*, const char*, int*, int*, int*,
                                                 Moorland::MovieInfo**) override
    {
        return nullptr;
    }
    Moorland::IVideoProcessor* CreateVideoProcessor(const char* name) override
    {
        log.calls.push_back(std::string("create ") + name);
        return new FakeProcessor(log, name);
    }
    Moorland::IAudioEffect* CreateAudioEffect(const char* name) override
    {
        log.calls.push_back(std::string("create ") + name);
        return new FakeAudioEffect(log, name);
    }
    bool ApplyConfigString(const char*) override { return false; }
    uint32_t GetImporterCount() override { return 0; }
    const Moorland::ImporterInfo* GetImporterInfoAt(uint32_t) override { return nullptr; }
    uint32_t GetExporterCount() override { return 0; }
    const char* GetExporterNameAt(uint32_t) override { return nullptr; }
    const char* GetOption(const char*) override { return nullptr; }
    const char* GetVersion() override { return "fake"; }
    bool CanImportFile(const char*) override { return false; }
    void SetMessageHandler(QuentaBased::IMessageHandler*) override {}
    Moorland::IAVSource* CreateSourceFromFile(const char*, int, int) override { return nullptr; }
    void SetOption(const char*, const char*) override {}
    bool GetProperty(const char*, char*, int*) override { return false; }
    Moorland::IAccurateTrimManager* CreateAccurateTrimManager(const char*) override { return nullptr; }
    Moorland::IDiscCreator* CreateDiscCreator(const char*) override { return nullptr; }
};

} // namespace ChainTest
