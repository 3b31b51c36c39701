#pragma once
// Link-level capture of replies on one adapter. The real source runs libpcap
// on a worker thread; tests push frames straight into the frame handler.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "transport/adapter.h"
#include "wire/byte_io.h"
#include "wire/link_layer.h"

namespace kestrel {

struct CaptureError {
    enum class Kind {
        ListFailed,       // the capture library cannot list devices (the window ends the process)
        NoLibrary,        // the capture library is not installed (Windows without Npcap)
        NoDevice,         // no capture device carries the adapter's address
        OpenFailed,       // the device could not be opened or filtered (down, gone, no rights)
        UnsupportedLink,  // the device or file delivers frames of a link type that is not decoded
        LoopFailed,       // a running loop ended by itself (the device went down or was removed)
        // Hints for the user: what is missing for a capture through the helper.
        HelperMissing,     // fendrix-capture is not installed where it is looked for
        HelperNotAllowed,  // this user may not run it (not in its group)
        NoRights,  // may not open the capture: the helper lacks cap_net_raw, or this process the
                   // right
    };
    Kind kind;
    std::string message;  // names the adapter and the library's own error text
};

// Called on the capture worker for every frame that passed the filter, with
// the link type of the capture; must not block on the GUI thread.
using FrameSink = std::function<void(ByteSpan frame, LinkType link)>;

// Called on the capture worker, at most once per start(), when the loop ends
// with an error that no stop() asked for; must not block on the GUI thread.
using LoopErrorSink = std::function<void(const CaptureError& error)>;

// A line for the program's diagnostics, which the program writes where it
// wants them (the window: the stream it always used; fendrix-cli: standard
// error only, as its standard output carries results).
struct CaptureNote {
    enum class Kind {
        Warning,  // a remark while replies still come: the library's, the helper's, a full queue's
        LoopError,  // the library's error when its loop failed, also while a stop was under way
        LoopEnded,  // a live source's loop ended: stopped on request, or failed (not a file's end)
    };
    Kind kind;
    std::string text;  // the whole line without its end; empty for LoopEnded
};

// Called for warnings on the thread that calls start(), for the loop's notes
// on the capture worker; must neither block on the GUI thread nor call back
// into the capture.
using NoteSink = std::function<void(const CaptureNote& note)>;

// The three ways replies can reach the program, in the order they are tried.
enum class Receiver {
    Helper,     // the capture helper fendrix-capture streams what it captures
    InProcess,  // libpcap in this process, which has the right itself (root)
    Socket,     // a UDP socket on the reply port: no rights, only what the IP stack accepts
};

// What a start() put to work, for a source that chooses among receivers.
struct ReceiverReport {
    struct PassedOver {
        Receiver receiver;
        CaptureError why;
    };
    Receiver receiver = Receiver::InProcess;
    std::vector<PassedOver> passed_over;  // each receiver tried before it, in order
    // Set when the socket receiver runs although a capture was wanted: why
    // none runs (the hint that says what is missing), for the user.
    std::optional<std::string> capture_unavailable;
};

class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // Chooses the device whose IPv4 address equals the adapter's address,
    // opens it, installs the reply filter (transport/capture_settings.h) and starts
    // the worker. Errors are
    // answered at once, on the calling thread; a device of a link type that
    // the frame handler cannot decode is refused (UnsupportedLink).
    virtual std::optional<CaptureError> start(const AdapterEntry& adapter, FrameSink sink) = 0;
    // Breaks the loop and closes the capture once the worker has left it.
    // Safe to call when nothing runs.
    virtual void stop() = 0;
    virtual bool running() const = 0;
    // Where later starts report a loop that fails by itself. Sources whose
    // loop cannot fail that way may ignore it.
    // NOLINTNEXTLINE(performance-unnecessary-value-param): by value, as overrides keep it
    virtual void setLoopErrorSink(LoopErrorSink sink) { (void)sink; }
    // Where later starts report their notes. Sources without any may ignore it.
    // NOLINTNEXTLINE(performance-unnecessary-value-param): by value, as overrides keep it
    virtual void setNoteSink(NoteSink sink) { (void)sink; }
    // Which receiver the last successful start() put to work, for sources
    // that choose one; nothing for a source that is one receiver.
    virtual std::optional<ReceiverReport> receiverReport() const { return std::nullopt; }
};

}  // namespace kestrel
