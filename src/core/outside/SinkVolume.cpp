#include "core/outside/SinkVolume.h"

#include "core/outside/LogCategories.h"

#include <QLibrary>

#include <deque>
#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/thread-mainloop.h>
#include <pulse/volume.h>

namespace {
enum class Action { Up, Down, Mute };

// libpulse and the dozen codec libraries it pulls in are opened at the first hotkey press, not at
// every start: most sessions never change the volume.
struct PulseLibrary {
#define TABRAZO_PULSE_FUNCTIONS(X)                                                                                     \
    X(pa_context_connect)                                                                                              \
    X(pa_context_disconnect)                                                                                           \
    X(pa_context_errno)                                                                                                \
    X(pa_context_get_sink_info_by_name)                                                                                \
    X(pa_context_get_state)                                                                                            \
    X(pa_context_new)                                                                                                  \
    X(pa_context_set_sink_mute_by_index)                                                                               \
    X(pa_context_set_sink_volume_by_index)                                                                             \
    X(pa_context_set_state_callback)                                                                                   \
    X(pa_context_unref)                                                                                                \
    X(pa_cvolume_dec)                                                                                                  \
    X(pa_cvolume_inc_clamp)                                                                                            \
    X(pa_operation_unref)                                                                                              \
    X(pa_strerror)                                                                                                     \
    X(pa_threaded_mainloop_free)                                                                                       \
    X(pa_threaded_mainloop_get_api)                                                                                    \
    X(pa_threaded_mainloop_lock)                                                                                       \
    X(pa_threaded_mainloop_new)                                                                                        \
    X(pa_threaded_mainloop_start)                                                                                      \
    X(pa_threaded_mainloop_stop)                                                                                       \
    X(pa_threaded_mainloop_unlock)
#define TABRAZO_PULSE_POINTER(name) decltype(&::name) name = nullptr;
    TABRAZO_PULSE_FUNCTIONS(TABRAZO_PULSE_POINTER)
#undef TABRAZO_PULSE_POINTER

    // Null when the library or one of its functions is missing; said once in the log.
    static const PulseLibrary* open()
    {
        static const PulseLibrary* const opened = [] {
            static PulseLibrary library;
            QLibrary file(QStringLiteral("pulse"), 0);
            // Its threads run until the process ends; never unloaded under them.
            file.setLoadHints(QLibrary::PreventUnloadHint);
            if (!file.load()) {
                qCInfo(lcOutside) << "no libpulse, the volume stays as it is:" << file.errorString();
                return static_cast<PulseLibrary*>(nullptr);
            }
#define TABRAZO_PULSE_RESOLVE(name)                                                                                    \
    library.name = reinterpret_cast<decltype(library.name)>(file.resolve(#name));                                      \
    if (!library.name) {                                                                                               \
        qCInfo(lcOutside) << "libpulse lacks" << #name << "; the volume stays as it is";                               \
        return static_cast<PulseLibrary*>(nullptr);                                                                    \
    }
            TABRAZO_PULSE_FUNCTIONS(TABRAZO_PULSE_RESOLVE)
#undef TABRAZO_PULSE_RESOLVE
            return &library;
        }();
        return opened;
    }
#undef TABRAZO_PULSE_FUNCTIONS
};

constexpr pa_volume_t kStep = PA_VOLUME_NORM * SinkVolume::stepPercent / 100;
const char* const kDefaultSink = "@DEFAULT_SINK@";

// libpulse's own thread runs the protocol; the user-interface thread only queues a request under
// the loop's lock, and the callbacks, which run with the lock held, work the queue off.
class Pulse {
public:
    static Pulse& instance()
    {
        static Pulse pulse;
        return pulse;
    }

    void run(Action action)
    {
        if (!loop)
            return;
        lib->pa_threaded_mainloop_lock(loop);
        if (!context || !PA_CONTEXT_IS_GOOD(lib->pa_context_get_state(context)))
            connect();
        if (context) {
            queue.push_back(action);
            if (lib->pa_context_get_state(context) == PA_CONTEXT_READY && !busy)
                next();
        }
        lib->pa_threaded_mainloop_unlock(loop);
    }

    ~Pulse()
    {
        if (!loop)
            return;
        lib->pa_threaded_mainloop_stop(loop);
        if (context) {
            lib->pa_context_disconnect(context);
            lib->pa_context_unref(context);
        }
        lib->pa_threaded_mainloop_free(loop);
    }

private:
    Pulse()
        : lib(PulseLibrary::open())
        , loop(lib ? lib->pa_threaded_mainloop_new() : nullptr)
    {
        if (loop && lib->pa_threaded_mainloop_start(loop) < 0) {
            lib->pa_threaded_mainloop_free(loop);
            loop = nullptr;
        }
    }

    void connect()
    {
        if (context) {
            lib->pa_context_disconnect(context);
            lib->pa_context_unref(context);
        }
        context = lib->pa_context_new(lib->pa_threaded_mainloop_get_api(loop), "Tabrazo");
        busy = false;
        queue.clear();
        if (!context)
            return;
        lib->pa_context_set_state_callback(context, &Pulse::stateChanged, this);
        // Never start a sound server of our own: without one the hotkeys do nothing.
        if (lib->pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            failed();
    }

    void failed()
    {
        if (!reported) {
            qCInfo(lcOutside) << "no sound server, the volume stays as it is:"
                              << lib->pa_strerror(lib->pa_context_errno(context));
            reported = true;
        }
        queue.clear();
        busy = false;
    }

    static void stateChanged(pa_context* context, void* self)
    {
        auto* pulse = static_cast<Pulse*>(self);
        switch (pulse->lib->pa_context_get_state(context)) {
        case PA_CONTEXT_READY:
            pulse->reported = false;
            if (!pulse->busy)
                pulse->next();
            break;
        case PA_CONTEXT_FAILED:
        case PA_CONTEXT_TERMINATED:
            pulse->failed();
            break;
        default:
            break;
        }
    }

    void next()
    {
        busy = !queue.empty();
        if (!busy)
            return;
        changed = false;
        finish(lib->pa_context_get_sink_info_by_name(context, kDefaultSink, &Pulse::sinkInfo, this));
    }

    // A request that could not even be sent ends its action at once.
    void finish(pa_operation* operation)
    {
        if (operation) {
            lib->pa_operation_unref(operation);
            return;
        }
        qCInfo(lcOutside) << "sound server request failed:" << lib->pa_strerror(lib->pa_context_errno(context));
        done();
    }

    void done()
    {
        if (!queue.empty())
            queue.pop_front();
        next();
    }

    static void sinkInfo(pa_context* context, const pa_sink_info* info, int eol, void* self)
    {
        auto* pulse = static_cast<Pulse*>(self);
        if (info && !pulse->changed) {
            pulse->changed = true;
            pulse->change(*info);
            return;
        }
        if (eol < 0 || (eol > 0 && !pulse->changed)) {
            qCInfo(lcOutside) << "no default sink:" << pulse->lib->pa_strerror(pulse->lib->pa_context_errno(context));
            pulse->done();
        }
    }

    void change(const pa_sink_info& sink)
    {
        pa_cvolume volume = sink.volume;
        switch (queue.front()) {
        case Action::Up:
            lib->pa_cvolume_inc_clamp(&volume, kStep, PA_VOLUME_NORM);
            break;
        case Action::Down:
            lib->pa_cvolume_dec(&volume, kStep);
            break;
        case Action::Mute:
            finish(lib->pa_context_set_sink_mute_by_index(context, sink.index, !sink.mute, &Pulse::changedDone, this));
            return;
        }
        finish(lib->pa_context_set_sink_volume_by_index(context, sink.index, &volume, &Pulse::changedDone, this));
    }

    static void changedDone(pa_context*, int success, void* self)
    {
        if (!success)
            qCInfo(lcOutside) << "the sound server refused the volume change";
        static_cast<Pulse*>(self)->done();
    }

    const PulseLibrary* lib;
    pa_threaded_mainloop* loop = nullptr;
    pa_context* context = nullptr;
    std::deque<Action> queue;
    bool busy = false;
    bool changed = false;
    bool reported = false;
};
} // namespace

void SinkVolume::up()
{
    Pulse::instance().run(Action::Up);
}

void SinkVolume::down()
{
    Pulse::instance().run(Action::Down);
}

void SinkVolume::toggleMute()
{
    Pulse::instance().run(Action::Mute);
}
