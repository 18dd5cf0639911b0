#include "ConvWorkerCommandLine.h"

#include "sysutils.h"

#include <cstdlib>

namespace Moorland {

namespace {

class CWords
{
public:
    CWords(int argc, const char* const* argv) : m_argc(argc), m_argv(argv) {}
    bool Left() const { return m_pos < m_argc; }
    const char* Next() { return m_argv[m_pos++]; }
    // A count word, then words while the text is shorter than the count.
    bool Counted(std::string& text, bool toUtf8)
    {
        if (!Left())
            return false;
        const unsigned count = static_cast<unsigned>(QuentaBased::StrToInt(Next()));
        text.clear();
        while (text.size() < count && Left()) {
            const char* word = Next();
            text += toUtf8 ? QuentaBased::local_to_utf8(word) : std::string(word);
            text += ' ';
        }
        text = QuentaBased::TrimRight(text, " ");
        return true;
    }

private:
    int m_argc;
    const char* const* m_argv;
    int m_pos = 1;
};

} // namespace

bool ParseWorkerCommandLine(int argc, const char* const* argv, WorkerCommandLine& out)
{
    if (argc - 1 < 14 || !argv)
        return false;
    CWords words(argc, argv);
    out.jobIndex = QuentaBased::StrToInt(words.Next());
    out.allProcessors = QuentaBased::StrToInt(words.Next()) != 0;
    out.twoThreads = QuentaBased::StrToInt(words.Next()) != 0;
    out.dataRateStatistics = QuentaBased::StrToInt(words.Next()) != 0;
    if (!words.Counted(out.jobFile, false) || !words.Counted(out.profileFile, true) ||
        !words.Counted(out.config, true) || !words.Counted(out.importerName, false))
        return false;
    if (!words.Left())
        return false;
    out.mappingSize = static_cast<uint32_t>(std::strtoul(words.Next(), nullptr, 10));
    return words.Counted(out.logFile, false);
}

} // namespace Moorland
