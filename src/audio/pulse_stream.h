// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <cstddef>
#include <functional>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace vantrel {

// One playback stream of mono 32-bit float samples on the sound server, through libpulse: PulseAudio, or
// PipeWire through pipewire-pulse.
//
// Each open() connects to the server again if the last connection was lost, so a server that comes back,
// however long it was away, is found by the next open(). (Qt's own PulseAudio backend connects once a run
// and tries again only once, 3 s after losing the server: one restarted later was never heard again.)
// The stream has no device of its own: it plays on the server's default output and follows it.
//
// libpulse runs in a thread of its own. What it reports comes to this object's thread as queued signals,
// each for the stream it was opened as, never for one closed since; everything else is called from this
// object's thread. Nothing waits for the server: a server that hangs keeps the stream opening, no more.
class PulseStream final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::size_t kBytesPerFrame = sizeof(float);

    PulseStream(int sampleRate, int bufferMs, QObject *parent = nullptr);
    ~PulseStream() override;

    enum class State { Closed, Opening, Open };
    State state() const { return m_state; }

    // Connects if need be and asks for the stream; opened() or failed() follows.
    void open();
    // Drops the stream, and the connection too if the server has gone; what the stream held is not played.
    void close();
    // Hands the stream as much sound as it has room for. `read(data, bytes)` fills the start of `data` and
    // returns how many bytes it filled, whole frames; 0 when it has nothing to give now.
    void fill(const std::function<std::size_t(char *data, std::size_t bytes)> &read);
    // A corked stream plays nothing and keeps nothing running on the server, so that an idle device can
    // be suspended.
    void setCorked(bool corked);

    // For the "vantrel.audio" account: as they were when the stream was last filled, how much sound it
    // held ahead of what is being heard, and how much it has played.
    double queuedMs() const { return m_queuedMs; }
    double playedMs() const { return m_playedMs; }

signals:
    void opened();
    void failed(const QByteArray &why);
    // The server asked for more sound.
    void wantsSound();
    // An output was added, or the default output changed: a stream that could not be opened may be now.
    void outputsChanged();

private:
    // libpulse's callbacks, on its thread.
    struct Callbacks;
    friend struct Callbacks;

    void connectToServer();
    void makeStream();
    void dropStream();
    void dropContext();
    // With libpulse's lock held, on either thread: runs `deliver` here, unless the stream is closed or
    // opened again meanwhile.
    void post(std::function<void()> deliver);
    // The same, to report `what` failed, with the reason the connection gives.
    void fail(const char *what);

    class Lock;

    const int m_sampleRate;
    const int m_bufferMs;
    pa_threaded_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    // This object's thread's view; m_wanted is libpulse's, under its lock: a stream is to be made once the
    // connection is ready.
    State m_state = State::Closed;
    bool m_wanted = false;
    // Raised by each open() and close(), under libpulse's lock; a report carries the one it was made in.
    quint64 m_serial = 0;
    std::atomic<bool> m_wantsSoundPosted{false};
    double m_queuedMs = 0;
    double m_playedMs = 0;
};

} // namespace vantrel
