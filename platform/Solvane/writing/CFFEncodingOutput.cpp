#include "CFFEncodingOutput.h"

#include "CBaseException.h"
#include "CFFStreamEncoder.h"

#include <cstdlib>
#include <unistd.h>

namespace Solvane {

CFFEncodingOutput::~CFFEncodingOutput()
{
    Abandon();
}

int CFFEncodingOutput::BeginPass(const std::string& path, IQuentaStream* stream, const ExportSettings& settings)
{
    m_out.reset();
    m_pass = m_passes.Next();
    if (m_pass == 1) {
        m_stats.clear();
        if (m_statsFile.empty())
            m_statsFile = NewTwoPassStatsFile();
        return m_pass;
    }
    m_out.reset(new CFFOutputFile(path, stream, settings.format, settings.extension));
    m_out->SetOptions(settings.formatOptions);
    return m_pass;
}

void CFFEncodingOutput::Stats(int index, const CFFStreamEncoder* encoder, uint64_t* bytes, uint32_t* ms) const
{
    if (const CFFOutputFile* out = m_out.get()) {
        out->Stats(index, bytes, ms);
        return;
    }
    if (encoder) {
        encoder->DiscardedStats(bytes, ms);
        return;
    }
    if (bytes)
        *bytes = 0;
    if (ms)
        *ms = 0;
}

void CFFEncodingOutput::End(const std::vector<CFFStreamEncoder*>& encoders, bool failed, const std::string& name,
                            const std::function<void()>& release)
{
    try {
        if (!failed) {
            auto sink = [this](AVPacket* p, AVRational tb) {
                if (m_out)
                    m_out->Write(p, tb);
            };
            for (CFFStreamEncoder* encoder : encoders) {
                if (encoder)
                    encoder->Flush(sink);
            }
        }
        if (m_out)
            m_out->End(!failed);
    } catch (...) {
        if (m_out)
            m_out->End(false);
        release();
        throw;
    }
    release();
    if (m_pass != 1)
        RemoveTwoPassStatsFiles(m_statsFile);
    if (failed)
        QB_THROW(QB_ERR_MEDIA, "The output " + name + " was left unfinished after a failed write");
}

void CFFEncodingOutput::Abandon()
{
    if (m_out) {
        try {
            m_out->End(false);
        } catch (...) {
        }
    }
    m_out.reset();
    RemoveTwoPassStatsFiles(m_statsFile);
}

std::string NewTwoPassStatsFile()
{
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/fablecut-2pass-XXXXXX";
    int fd = ::mkstemp(&name[0]);
    if (fd < 0)
        return std::string();
    ::close(fd);
    return name;
}

void RemoveTwoPassStatsFiles(std::string& statsFile)
{
    if (statsFile.empty())
        return;
    ::unlink(statsFile.c_str());
    ::unlink((statsFile + ".mbtree").c_str());
    ::unlink((statsFile + ".temp").c_str());
    ::unlink((statsFile + ".mbtree.temp").c_str());
    statsFile.clear();
}

} // namespace Solvane
