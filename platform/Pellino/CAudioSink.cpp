#include "CAudioSink.h"

#include "CPlayer.h"
#include "MoorlanTypes.h"

#include <QAudioDeviceInfo>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdlib>

namespace Pellino {

CAudioSink::CAudioSink(CPlayer* player, int channels, int sampleRate, int sampleFormat)
    : m_player(player), m_channels(channels), m_sampleRate(sampleRate), m_sampleFormat(sampleFormat)
{}

CAudioSink::~CAudioSink()
{
    if (m_output)
        m_output->stop();
    m_output.reset();
}

bool CAudioSink::Start()
{
    // Qt's sound devices need the application object; a program without one
    // plays by the monotonic clock.
    if (!QCoreApplication::instance())
        return false;
    // Asking for a device that is not there can take long (a sound server
    // that does not answer): a miss is remembered for a while.
    using Clock = std::chrono::steady_clock;
    static std::atomic<bool> missed{false};
    static std::atomic<int64_t> missedAt{0};
    const int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
    if (missed.load() && now - missedAt.load() < 10000)
        return false;
    QAudioDeviceInfo device = QAudioDeviceInfo::defaultOutputDevice();
    if (device.isNull()) {
        missedAt = now;
        missed = true;
        return false;
    }
    const int bytes = static_cast<int>(Moorland::GetSampleBytes(m_sampleFormat));
    QAudioFormat format;
    format.setSampleRate(m_sampleRate);
    format.setChannelCount(m_channels);
    format.setSampleSize(bytes * 8);
    format.setCodec("audio/pcm");
    format.setByteOrder(QAudioFormat::LittleEndian);
    switch (m_sampleFormat) {
    case Moorland::QUENTA_SAMPLE_U8: format.setSampleType(QAudioFormat::UnSignedInt); break;
    case Moorland::QUENTA_SAMPLE_FLT:
    case Moorland::QUENTA_SAMPLE_DBL: format.setSampleType(QAudioFormat::Float); break;
    default: format.setSampleType(QAudioFormat::SignedInt); break;
    }
    if (!device.isFormatSupported(format))
        return false;
    m_bytesPerSecond = static_cast<qint64>(m_sampleRate) * m_channels * bytes;
    m_output = std::make_unique<QAudioOutput>(device, format);
    // A fifth of a second between the sound read and the sound heard.
    m_output->setBufferSize(static_cast<int>(m_bytesPerSecond / 5));
    if (!open(QIODevice::ReadOnly))
        return false;
    m_output->start(this);
    if (m_output->error() != QAudio::NoError || m_output->state() == QAudio::StoppedState) {
        m_output.reset();
        return false;
    }
    if (!m_player->AudioWanted())
        m_output->suspend();
    return true;
}

qint64 CAudioSink::readData(char* data, qint64 maxSize)
{
    if (maxSize <= 0)
        return 0;
    return static_cast<qint64>(m_player->PullSound(data, static_cast<size_t>(maxSize)));
}

bool CAudioSink::Tick()
{
    if (m_player->Quitting())
        return false;
    const QAudio::Error error = m_output->error();
    if (error == QAudio::OpenError || error == QAudio::IOError || error == QAudio::FatalError ||
        m_output->state() == QAudio::StoppedState) {
        m_player->DeviceFailed();
        return false;
    }
    const bool wanted = m_player->AudioWanted();
    if (wanted && m_output->state() == QAudio::SuspendedState)
        m_output->resume();
    else if (!wanted && m_output->state() != QAudio::SuspendedState)
        m_output->suspend();
    const auto now = std::chrono::steady_clock::now();
    if (wanted) {
        const qint64 processed = m_output->processedUSecs() * m_bytesPerSecond / 1000000;
        const qint64 queued = m_output->bufferSize() - m_output->bytesFree();
        const qint64 played = processed - (queued > 0 ? queued : 0);
        // The device reports its position in steps: the clock is set when
        // a step comes and runs on by itself between steps. A device whose
        // position stands still while it should play has gone away (a sound
        // server that died need not say so).
        if (played != m_lastPlayed || !m_playing) {
            if (played > 0 && m_playing)
                m_player->DevicePlayed(played, now);
            m_lastPlayed = played;
            m_lastProgress = now;
        } else if (now - m_lastProgress > std::chrono::milliseconds(600)) {
            m_player->DeviceFailed();
            return false;
        }
        m_playing = true;
    } else {
        m_playing = false;
    }
    return true;
}

void CAudioSink::Run()
{
    QEventLoop loop;
    QTimer timer;
    timer.setInterval(10);
    QObject::connect(&timer, &QTimer::timeout, &loop, [this, &loop] {
        if (!Tick())
            loop.quit();
    });
    timer.start();
    loop.exec();
    timer.stop();
    m_output->stop();
}

} // namespace Pellino
