#pragma once

// The sound device of one player, on the player's audio thread: a
// QAudioOutput in pull mode with an event loop of its own. It asks the player
// for sound as the device needs it and reports the played position, which
// the player's clock follows.

#include <QIODevice>

#include <chrono>
#include <memory>

class QAudioOutput;

namespace Pellino {

class CPlayer;

class CAudioSink : public QIODevice
{
public:
    CAudioSink(CPlayer* player, int channels, int sampleRate, int sampleFormat);
    ~CAudioSink() override;

    // True when a device was found that plays the layout and it started.
    bool Start();
    // Runs until the player closes or the device fails.
    void Run();

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_bytesPerSecond + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    // One look at the device: follow the player's state, report the position.
    bool Tick();

    CPlayer* m_player;
    int m_channels;
    int m_sampleRate;
    int m_sampleFormat;
    qint64 m_bytesPerSecond = 0;
    std::unique_ptr<QAudioOutput> m_output;
    qint64 m_lastPlayed = -1;
    std::chrono::steady_clock::time_point m_lastProgress;
    bool m_playing = false;
};

} // namespace Pellino
