// SPDX-License-Identifier: GPL-3.0-or-later
#include "pulse_stream.h"

#include "audio_log.h"

#include <pulse/pulseaudio.h>

#include <QMetaObject>

#include <algorithm>
#include <utility>

namespace vantrel {

namespace {

// After the stream has run dry (the output resting), it plays again as soon as this much is written, so a
// short clip is not kept waiting for a full buffer; it is never 0, or the server would go on reading while
// nothing was written, and the start of the next clip would be lost where it had read ahead.
constexpr int kStartAfterMs = 20;

bool good(pa_context *context)
{
    return context && PA_CONTEXT_IS_GOOD(pa_context_get_state(context));
}

} // namespace

// libpulse's lock: whoever holds it may touch the context and the stream, and its thread runs no callback.
class PulseStream::Lock
{
public:
    explicit Lock(pa_threaded_mainloop *loop) : m_loop(loop) { pa_threaded_mainloop_lock(m_loop); }
    ~Lock() { pa_threaded_mainloop_unlock(m_loop); }
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

private:
    pa_threaded_mainloop *m_loop;
};

struct PulseStream::Callbacks {
    static void contextState(pa_context *context, void *self)
    {
        auto *stream = static_cast<PulseStream *>(self);
        switch (pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pa_context_set_subscribe_callback(context, &Callbacks::serverEvent, self);
            if (pa_operation *operation = pa_context_subscribe(
                    context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SINK | PA_SUBSCRIPTION_MASK_SERVER),
                    nullptr, nullptr))
                pa_operation_unref(operation);
            if (stream->m_wanted && !stream->m_stream)
                stream->makeStream();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED: {
            stream->fail("the sound server is gone");
            break;
        }
        default:
            break;
        }
    }

    static void streamState(pa_stream *s, void *self)
    {
        auto *stream = static_cast<PulseStream *>(self);
        switch (pa_stream_get_state(s)) {
        case PA_STREAM_READY:
            stream->post([stream] {
                stream->m_state = State::Open;
                emit stream->opened();
            });
            break;
        case PA_STREAM_FAILED:
        case PA_STREAM_TERMINATED: {
            stream->fail("the stream ended");
            break;
        }
        default:
            break;
        }
    }

    static void wants(pa_stream *, std::size_t, void *self)
    {
        auto *stream = static_cast<PulseStream *>(self);
        // The server asks again and again as it plays: one request on its way is enough.
        if (stream->m_wantsSoundPosted.exchange(true))
            return;
        stream->post([stream] {
            stream->m_wantsSoundPosted = false;
            emit stream->wantsSound();
        });
    }

    static void serverEvent(pa_context *, pa_subscription_event_type_t event, uint32_t, void *self)
    {
        const auto facility = event & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
        const auto type = event & PA_SUBSCRIPTION_EVENT_TYPE_MASK;
        if ((facility == PA_SUBSCRIPTION_EVENT_SINK && type == PA_SUBSCRIPTION_EVENT_NEW)
            || facility == PA_SUBSCRIPTION_EVENT_SERVER) {
            auto *stream = static_cast<PulseStream *>(self);
            stream->post([stream] { emit stream->outputsChanged(); });
        }
    }
};

PulseStream::PulseStream(int sampleRate, int bufferMs, QObject *parent)
    : QObject(parent)
    , m_sampleRate(sampleRate)
    , m_bufferMs(bufferMs)
    , m_loop(pa_threaded_mainloop_new())
{
    if (m_loop && pa_threaded_mainloop_start(m_loop) < 0) {
        pa_threaded_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

PulseStream::~PulseStream()
{
    if (!m_loop)
        return;
    {
        Lock lock(m_loop);
        dropStream();
        dropContext();
    }
    pa_threaded_mainloop_stop(m_loop);
    pa_threaded_mainloop_free(m_loop);
}

void PulseStream::open()
{
    if (!m_loop) {
        m_state = State::Opening;
        QMetaObject::invokeMethod(this, [this] { emit failed("libpulse could not start its thread"); },
                                  Qt::QueuedConnection);
        return;
    }
    Lock lock(m_loop);
    ++m_serial;
    dropStream();
    m_wantsSoundPosted = false; // a request of the stream dropped is dropped with it
    m_wanted = true;
    m_state = State::Opening;
    if (!good(m_context))
        connectToServer();
    else if (pa_context_get_state(m_context) == PA_CONTEXT_READY)
        makeStream();
    // otherwise still connecting: the stream is asked for once the connection is made
}

void PulseStream::close()
{
    m_state = State::Closed;
    if (!m_loop)
        return;
    Lock lock(m_loop);
    ++m_serial;
    m_wanted = false;
    // libpulse cannot take back a stream the server has not answered yet: it would be made all the same,
    // and play on, unfed and uncorked, keeping the device awake. Only ending the connection ends it. A
    // connection still being made is ended too, so that the next open() starts afresh.
    const bool halfMade = m_stream && pa_stream_get_state(m_stream) == PA_STREAM_CREATING;
    dropStream();
    if (halfMade || !m_context || pa_context_get_state(m_context) != PA_CONTEXT_READY)
        dropContext();
    m_wantsSoundPosted = false;
}

void PulseStream::connectToServer()
{
    dropContext();
    m_context = pa_context_new(pa_threaded_mainloop_get_api(m_loop), "Vantrel");
    if (!m_context) {
        post([this] { emit failed("libpulse could not make a connection"); }); // no connection to ask why
        return;
    }
    pa_context_set_state_callback(m_context, &Callbacks::contextState, this);
    // Where the server is, libpulse knows from the session: $PULSE_SERVER, X11's root window, or the
    // user's runtime folder, where PipeWire's pipewire-pulse listens too. The desktop starts the server;
    // asked for every second while it is away, libpulse is not to start one itself (it would wait for it
    // here, on the audio thread).
    if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        fail("no sound server");
    }
}

void PulseStream::makeStream()
{
    const pa_sample_spec spec{PA_SAMPLE_FLOAT32NE, uint32_t(m_sampleRate), 1};
    pa_proplist *properties = pa_proplist_new();
    pa_proplist_sets(properties, PA_PROP_MEDIA_NAME, "Rates");
    m_stream = pa_stream_new_with_proplist(m_context, "Rates", &spec, nullptr, properties);
    pa_proplist_free(properties);
    if (!m_stream) {
        fail("the server refused the stream");
        return;
    }
    pa_stream_set_state_callback(m_stream, &Callbacks::streamState, this);
    pa_stream_set_write_callback(m_stream, &Callbacks::wants, this);

    const auto bytesFor = [&spec](int ms) { return uint32_t(pa_usec_to_bytes(pa_usec_t(ms) * 1000, &spec)); };
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = bytesFor(m_bufferMs);
    buffer.prebuf = bytesFor(kStartAfterMs);
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    // The buffer asked for is all that lies between a sample written and its being heard: the server sets
    // its device's latency to match. Without a device name the stream plays on the default output and
    // moves with it.
    const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_INTERPOLATE_TIMING
                                         | PA_STREAM_AUTO_TIMING_UPDATE);
    if (pa_stream_connect_playback(m_stream, nullptr, &buffer, flags, nullptr, nullptr) < 0) {
        fail("the stream could not be opened");
    }
}

void PulseStream::dropStream()
{
    if (!m_stream)
        return;
    pa_stream_set_state_callback(m_stream, nullptr, nullptr);
    pa_stream_set_write_callback(m_stream, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream)))
        pa_stream_disconnect(m_stream);
    pa_stream_unref(std::exchange(m_stream, nullptr));
}

void PulseStream::dropContext()
{
    if (!m_context)
        return;
    pa_context_set_state_callback(m_context, nullptr, nullptr);
    pa_context_set_subscribe_callback(m_context, nullptr, nullptr);
    pa_context_disconnect(m_context);
    pa_context_unref(std::exchange(m_context, nullptr));
}

void PulseStream::post(std::function<void()> deliver)
{
    const quint64 serial = m_serial;
    QMetaObject::invokeMethod(
        this,
        [this, serial, deliver = std::move(deliver)] {
            if (serial == m_serial)
                deliver();
        },
        Qt::QueuedConnection);
}

void PulseStream::fail(const char *what)
{
    const QByteArray why = what + QByteArrayLiteral(": ") + pa_strerror(pa_context_errno(m_context));
    post([this, why] { emit failed(why); });
}

void PulseStream::fill(const std::function<std::size_t(char *, std::size_t)> &read)
{
    if (m_state != State::Open)
        return;
    Lock lock(m_loop);
    if (!m_stream || pa_stream_get_state(m_stream) != PA_STREAM_READY)
        return;
    pa_usec_t usec = 0;
    int negative = 0;
    if (pa_stream_get_latency(m_stream, &usec, &negative) == 0)
        m_queuedMs = negative ? 0.0 : double(usec) / 1000.0;
    if (pa_stream_get_time(m_stream, &usec) == 0)
        m_playedMs = double(usec) / 1000.0;

    std::size_t room = pa_stream_writable_size(m_stream);
    if (room == std::size_t(-1))
        return;
    room -= room % kBytesPerFrame;
    while (room > 0) {
        void *data = nullptr;
        std::size_t size = room;
        if (pa_stream_begin_write(m_stream, &data, &size) < 0 || !data)
            return;
        size = std::min(size, room);
        size -= size % kBytesPerFrame;
        const std::size_t given = size > 0 ? read(static_cast<char *>(data), size) : 0;
        if (given == 0) {
            pa_stream_cancel_write(m_stream);
            return;
        }
        if (pa_stream_write(m_stream, data, given, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        room -= given;
    }
}

void PulseStream::setCorked(bool corked)
{
    if (m_state != State::Open)
        return;
    Lock lock(m_loop);
    if (m_stream && pa_stream_get_state(m_stream) == PA_STREAM_READY)
        if (pa_operation *operation = pa_stream_cork(m_stream, corked ? 1 : 0, nullptr, nullptr))
            pa_operation_unref(operation);
}

} // namespace vantrel
