// fendrix-capture: the one program of Fendrix that may hold a capability, and
// only cap_net_raw. It opens the capture of controller replies (IPv4 UDP to
// port 8911) on one network interface, never loopback, exactly as the
// in-process capture does, drops every capability, and streams the frames as
// pcap on standard output to the program that started it; status lines go to
// standard error in the format of src/transport/capture_helper_lines.h.
//
// With file capabilities the kernel runs it in secure-exec mode: the dynamic
// loader ignores LD_PRELOAD, LD_LIBRARY_PATH and the like, and glibc drops
// its unsafe variables. The helper clears the rest of its environment before
// anything else, so that no library it loads (libpcap and what libpcap pulls
// in: dbus, systemd) is steered by the caller.
#include <net/if.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "capture_args.h"
#include "fendrix_version.h"
#include "privileges.h"
#include "transport/capture_helper_lines.h"
#include "transport/capture_settings.h"
#include "transport/pcap_device_choice.h"
#include "wire/protocol.h"

namespace {

using fendrix_capture::CaptureArgs;
using kestrel::helper::Counters;
using kestrel::helper::ErrorKind;

volatile std::sig_atomic_t gStop = 0;

void onStopSignal(int) { gStop = 1; }

// Status lines go out unbuffered; a reader that has gone is met on the
// stream instead.
void say(const std::string& line) {
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

int fail(ErrorKind kind, const std::string& text) {
    say(kestrel::helper::errorLine(kind, text));
    return kind == ErrorKind::Usage ? 2 : 1;
}

void installSignals() {
    struct sigaction stop {};
    stop.sa_handler = onStopSignal;
    sigemptyset(&stop.sa_mask);
    stop.sa_flags = 0;  // no SA_RESTART: a signal wakes the wait for frames
    for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &stop, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);  // a closed pipe shows as EPIPE
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

struct Device {
    std::string name;
    std::string error;  // why there is none
};

// Whether the kernel interface is a loopback one; nothing when it cannot say.
std::optional<bool> isLoopback(const std::string& name) {
    const int probe = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return std::nullopt;
    ifreq request{};
    std::memcpy(request.ifr_name, name.c_str(), std::min(name.size(), sizeof request.ifr_name - 1));
    const int rc = ::ioctl(probe, SIOCGIFFLAGS, &request);
    ::close(probe);
    if (rc != 0) return std::nullopt;
    return (request.ifr_flags & IFF_LOOPBACK) != 0;
}

Device findDevice(const CaptureArgs& args) {
    std::string name = args.interface_name;
    if (!name.empty()) {
        // Only a kernel network interface: the names of libpcap's other
        // capture modules (USB, Bluetooth, D-Bus) are not interfaces.
        if (if_nametoindex(name.c_str()) == 0) return {{}, "no network interface " + name};
    } else {
        char err[PCAP_ERRBUF_SIZE] = {};
        pcap_if_t* devices = nullptr;
        if (pcap_findalldevs(&devices, err) != 0)
            return {{}, std::string("cannot list capture devices: ") + err};
        std::unique_ptr<pcap_if_t, decltype(&pcap_freealldevs)> guard(devices, &pcap_freealldevs);
        const pcap_if_t* device = kestrel::chooseCaptureDevice(devices, args.address);
        if (device == nullptr) return {{}, "no capture device has the address " + args.address};
        name = device->name;
    }
    // No controller answers on loopback, but every local program's traffic
    // passes there: the helper's right is not for reading it.
    const auto loopback = isLoopback(name);
    if (!loopback) return {{}, "cannot tell whether " + name + " is a loopback interface"};
    if (*loopback) return {{}, name + " is a loopback interface; controllers answer on Ethernet"};
    return {name, {}};
}

ErrorKind activateErrorKind(int status) {
    switch (status) {
    case PCAP_ERROR_PERM_DENIED:
    case PCAP_ERROR_PROMISC_PERM_DENIED: return ErrorKind::Permission;
    case PCAP_ERROR_NO_SUCH_DEVICE: return ErrorKind::NoDevice;
    case PCAP_ERROR_IFACE_NOT_UP: return ErrorKind::Down;
    default: return ErrorKind::Open;
    }
}

std::string statusText(pcap_t* handle, int status) {
    std::string text = pcap_statustostr(status);
    const std::string detail = pcap_geterr(handle);
    if (!detail.empty() && detail != text) text += ": " + detail;
    return text;
}

Counters counters(pcap_t* handle) {
    pcap_stat s{};
    if (pcap_stats(handle, &s) != 0) return {};
    return {s.ps_recv, s.ps_drop, s.ps_ifdrop};
}

// How long the helper may wait before calling libpcap again: for ever,
// except after the socket said "network down". Then libpcap must be called
// again shortly to learn whether the device went away; no further wake-up
// comes from the socket when it does.
int requiredWaitMs(pcap_t* handle) {
    const timeval* required = pcap_get_required_select_timeout(handle);
    if (required == nullptr) return -1;
    const long ms = required->tv_sec * 1000L + required->tv_usec / 1000L;
    return static_cast<int>(std::clamp(ms, 1L, 1000L));
}

// Texts name no device: the reader adds the adapter and device to them.
int capture(const std::string& name) {
    char err[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(name.c_str(), err);
    if (handle == nullptr) return fail(ErrorKind::Open, err);
    std::unique_ptr<pcap_t, decltype(&pcap_close)> guard(handle, &pcap_close);
    // The capture as the in-process one opens it.
    namespace settings = kestrel::capture_settings;
    pcap_set_snaplen(handle, settings::kSnapshotLength);
    pcap_set_promisc(handle, settings::kPromiscuous ? 1 : 0);
    pcap_set_timeout(handle, settings::kTimeoutMs);
    pcap_set_buffer_size(handle, settings::kBufferBytes);
    pcap_set_immediate_mode(handle, settings::kImmediate ? 1 : 0);
    const int status = pcap_activate(handle);
    if (status < 0) return fail(activateErrorKind(status), statusText(handle, status));
    if (status > 0) say(kestrel::helper::warningLine(statusText(handle, status)));
    if (pcap_datalink(handle) != DLT_EN10MB) return fail(ErrorKind::Open, "not an Ethernet device");

    bpf_program program{};
    if (pcap_compile(handle, &program, settings::kReplyFilter, 1, 0) != 0)
        return fail(ErrorKind::Filter,
                    std::string("cannot compile filter: ") + pcap_geterr(handle));
    const int filtered = pcap_setfilter(handle, &program);
    pcap_freecode(&program);
    if (filtered != 0)
        return fail(ErrorKind::Filter,
                    std::string("cannot install filter: ") + pcap_geterr(handle));

    // Nothing has been read yet; from here on the helper holds no rights.
    if (const auto why = fendrix_capture::dropAllCapabilities(); !why.empty())
        return fail(ErrorKind::Privileges, why);

    pcap_dumper_t* dumper = pcap_dump_fopen(handle, stdout);
    if (dumper == nullptr || pcap_dump_flush(dumper) != 0) {
        if (errno == EPIPE) return 0;
        return fail(ErrorKind::Output, std::string("cannot write the stream: ") +
                                           (dumper ? std::strerror(errno) : pcap_geterr(handle)));
    }
    say(kestrel::helper::readyLine(name));

    // The helper waits itself, on the capture and on the stream's reader at
    // once: a signal or a reader that has gone ends the wait at once, even
    // on a quiet segment where libpcap's own wait would never return.
    if (pcap_setnonblock(handle, 1, err) != 0) return fail(ErrorKind::Open, err);
    const int captureFd = pcap_get_selectable_fd(handle);
    Counters said;
    while (gStop == 0) {
        pollfd fds[2] = {{captureFd, POLLIN, 0}, {STDOUT_FILENO, 0, 0}};
        if (::poll(fds, 2, requiredWaitMs(handle)) < 0) {
            if (errno == EINTR) continue;
            return fail(ErrorKind::Loop, std::string("poll: ") + std::strerror(errno));
        }
        if ((fds[1].revents & (POLLERR | POLLHUP)) != 0) return 0;  // the reader closed its end
        // Also on an error of the capture socket: libpcap then names it
        // (e.g. the interface went down).
        const int n = pcap_dispatch(handle, -1, &pcap_dump, reinterpret_cast<u_char*>(dumper));
        if (n == PCAP_ERROR) return fail(ErrorKind::Loop, pcap_geterr(handle));
        // Each delivered block goes out at once: the reader sees a reply
        // no later than the block timeout after it arrived.
        if (n > 0 && pcap_dump_flush(dumper) != 0) {
            if (gStop != 0) break;
            if (errno == EPIPE) return 0;
            return fail(ErrorKind::Output,
                        std::string("cannot write the stream: ") + std::strerror(errno));
        }
        if (const Counters now = counters(handle); !(now == said)) {
            say(kestrel::helper::statsLine(now));
            said = now;
        }
    }
    say(kestrel::helper::statsLine(counters(handle)));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything else: from here on no process of the caller's user can
    // reach into the helper (see makeUndumpable).
    if (const auto why = fendrix_capture::makeUndumpable(); !why.empty())
        return fail(ErrorKind::Privileges, why);
    const pid_t parent = getppid();
    // Nothing the caller set may reach the helper: no inherited descriptor
    // beyond the three standard ones, no environment, no blocked signals.
    close_range(3, ~0U, 0);
    clearenv();
    installSignals();

    const std::vector<std::string_view> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const auto parsed = fendrix_capture::parseCaptureArgs(args);
    if (const auto* refusal = std::get_if<fendrix_capture::Refusal>(&parsed))
        return fail(ErrorKind::Usage, refusal->reason);
    // get_if, which cannot throw: the helper has no handler, and the refusal
    // is ruled out above.
    const auto& line = *std::get_if<CaptureArgs>(&parsed);
    if (line.action == CaptureArgs::Action::Help) {
        std::fputs(fendrix_capture::kUsage, stdout);
        return 0;
    }
    if (line.action == CaptureArgs::Action::Version) {
        std::puts(FENDRIX_VERSION_TEXT("fendrix-capture"));
        return 0;
    }

    // Started by a program that is gone already: nobody would read.
    if (!fendrix_capture::tieToParent(parent)) return 0;

    const Device device = findDevice(line);
    if (device.name.empty()) return fail(ErrorKind::NoDevice, device.error);
    return capture(device.name);
}
