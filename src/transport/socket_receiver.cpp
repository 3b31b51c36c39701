// Replies taken from a plain UDP socket on the reply port, for when no
// capture can run: it needs no rights, but sees only what the IP stack
// accepts (a reply from outside the adapter's subnet may be dropped first,
// e.g. by strict reverse-path filtering). Each datagram is framed as a
// capture would have seen it, so that the frame handler does not change.
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "transport/capture_hints.h"
#include "transport/capture_worker.h"
#include "transport/platform.h"
#include "wire/protocol.h"
#include "wire/synthetic_frame.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace kestrel {

namespace {

#ifdef _WIN32
using NativeSocket = SOCKET;
constexpr NativeSocket kNoSocket = INVALID_SOCKET;
constexpr int kAddressInUse = WSAEADDRINUSE;
int lastError() { return WSAGetLastError(); }
void closeNative(NativeSocket s) { closesocket(s); }
std::string errorText(int code) { return "socket error " + std::to_string(code); }
#else
using NativeSocket = int;
constexpr NativeSocket kNoSocket = -1;
constexpr int kAddressInUse = EADDRINUSE;
int lastError() { return errno; }
void closeNative(NativeSocket s) { ::close(s); }
std::string errorText(int code) { return std::strerror(code); }
#endif

// The kernel may keep less (Linux caps it at net.core.rmem_max without
// rights); the worker drains the socket as fast as the frame handler goes.
constexpr int kReceiveBufferBytes = 4 * 1024 * 1024;

template <typename T>
bool setOption(NativeSocket s, int level, int name, const T& value) {
    return setsockopt(s, level, name, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

std::array<std::uint8_t, 4> addressBytes(const in_addr& a) {
    std::array<std::uint8_t, 4> out{};
    std::memcpy(out.data(), &a, out.size());
    return out;
}

// Wakes the worker out of its wait for datagrams, so that stopping never
// closes a socket that a receive still blocks on.
class Waker {
public:
    bool open() {
#ifdef _WIN32
        // The socket layer is started once per process (as for the sending
        // socket); it stays up until exit.
        static const bool started = [] {
            WSADATA data;
            return WSAStartup(MAKEWORD(2, 2), &data) == 0;
        }();
        if (!started) return false;
        event_ = WSACreateEvent();
        return event_ != WSA_INVALID_EVENT;
#else
        return ::pipe(pipe_) == 0;
#endif
    }
    void wake() {
#ifdef _WIN32
        WSASetEvent(event_);
#else
        const char byte = 1;
        (void)!::write(pipe_[1], &byte, 1);
#endif
    }
    void close() {
#ifdef _WIN32
        if (event_ != WSA_INVALID_EVENT) WSACloseEvent(event_);
        event_ = WSA_INVALID_EVENT;
#else
        for (int& fd : pipe_) {
            if (fd >= 0) ::close(fd);
            fd = -1;
        }
#endif
    }
#ifdef _WIN32
    WSAEVENT event_ = WSA_INVALID_EVENT;
#else
    int pipe_[2] = {-1, -1};
#endif
};

class SocketReceiver final : public CaptureWorker {
public:
    ~SocketReceiver() override { stop(); }

    std::optional<CaptureError> start(const AdapterEntry& adapter, FrameSink sink) override {
        stop();
        std::lock_guard lock(control_);
        where_ =
            " (adapter " + adapter.description + ", UDP port " + std::to_string(kReplyPort) + ")";
        if (auto error = openSocket(adapter)) {
            closeAll();
            return error;
        }
        received_ = 0;
        dropped_ = 0;
        launch(std::move(sink));
        return std::nullopt;
    }

    void stop() override {
        std::lock_guard lock(control_);
        if (!launched()) return;
        requestStop();
        waker_.wake();
        joinWorker();
        closeAll();
    }

    // Datagrams taken, and those the kernel dropped for lack of room in the
    // socket's buffer (Linux).
    CaptureStats stats() const override { return {received_, dropped_, 0}; }

private:
    std::optional<CaptureError> fail(const std::string& what) {
        return CaptureError{CaptureError::Kind::OpenFailed,
                            what + ": " + errorText(lastError()) + where_};
    }

    std::optional<CaptureError> openSocket(const AdapterEntry& adapter) {
        if (!waker_.open()) return fail("cannot set up the receiver");
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (socket_ == kNoSocket) return fail("cannot open a UDP socket");
        (void)setOption(socket_, SOL_SOCKET, SO_RCVBUF, kReceiveBufferBytes);

        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_port = htons(kReplyPort);
        // The port is this program's alone, or the start fails: a socket that
        // shares it (another user's, bound first or later) would take the
        // unicast replies and leave this one an empty list. So no
        // SO_REUSEADDR, which lets every other socket that sets it too share
        // the port, whoever owns it.
#ifdef _WIN32
        // Windows lets another socket take over a port even from one that
        // did not ask to share it, unless the port is held exclusively.
        if (!setOption(socket_, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, 1))
            return fail("cannot hold the reply port exclusively");
        // Bound to the adapter's address, the socket takes that adapter's
        // unicast and broadcast datagrams.
        if (inet_pton(AF_INET, adapter.ip_text.c_str(), &local.sin_addr) != 1)
            return CaptureError{CaptureError::Kind::NoDevice,
                                "not an IPv4 address: " + adapter.ip_text + where_};
        localAddress_ = local.sin_addr;
#else
        // Any address, tied to the adapter's interface: broadcasts to
        // x.y.z.255 and 255.255.255.255 arrive as well as unicast. Linux
        // allows the tie without rights since 5.7.
        (void)setOption(socket_, IPPROTO_IP, IP_PKTINFO, 1);
        (void)setOption(socket_, SOL_SOCKET, SO_RXQ_OVFL, 1);
        if (inet_pton(AF_INET, adapter.ip_text.c_str(), &localAddress_) != 1)
            localAddress_.s_addr = htonl(INADDR_ANY);
        if (!adapter.if_name.empty() &&
            setsockopt(socket_, SOL_SOCKET, SO_BINDTODEVICE, adapter.if_name.c_str(),
                       static_cast<socklen_t>(adapter.if_name.size())) != 0)
            return fail("cannot tie the reply socket to " + adapter.if_name);
        local.sin_addr.s_addr = htonl(INADDR_ANY);
#endif
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            if (lastError() == kAddressInUse)
                return CaptureError{CaptureError::Kind::OpenFailed,
                                    replyPortTakenText(adapter.description)};
            return fail("cannot bind the reply port");
        }
#ifdef _WIN32
        readable_ = WSACreateEvent();
        if (readable_ == WSA_INVALID_EVENT || WSAEventSelect(socket_, readable_, FD_READ) != 0)
            return fail("cannot wait on the reply socket");
#endif
        return std::nullopt;
    }

    void closeAll() {
        if (socket_ != kNoSocket) closeNative(socket_);
        socket_ = kNoSocket;
#ifdef _WIN32
        if (readable_ != WSA_INVALID_EVENT) WSACloseEvent(readable_);
        readable_ = WSA_INVALID_EVENT;
#endif
        waker_.close();
    }

    // Blocks until a datagram waits or stop() wakes the worker; false then.
    bool awaitDatagram() {
#ifdef _WIN32
        const WSAEVENT events[2] = {readable_, waker_.event_};
        const DWORD which = WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE);
        if (which != WSA_WAIT_EVENT_0) return false;
        WSAResetEvent(readable_);
        return true;
#else
        pollfd fds[2] = {{socket_, POLLIN, 0}, {waker_.pipe_[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0)
            if (errno != EINTR) return false;
        return (fds[1].revents & POLLIN) == 0;
#endif
    }

    // One datagram into the payload part of `frame`, framed; 0 when none
    // waits, -1 on an error.
    long receiveOne(std::vector<std::uint8_t>& frame) {
        std::uint8_t* payload = frame.data() + kSyntheticHeaderBytes;
        sockaddr_in from{};
        DatagramEnds ends;
        ends.destination_ip = addressBytes(localAddress_);
        ends.destination_port = kReplyPort;
#ifdef _WIN32
        int fromLength = sizeof from;
        const int n =
            ::recvfrom(socket_, reinterpret_cast<char*>(payload), static_cast<int>(kMaxUdpPayload),
                       0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n == SOCKET_ERROR) return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
#else
        iovec data{payload, kMaxUdpPayload};
        alignas(cmsghdr) char
            control[CMSG_SPACE(sizeof(in_pktinfo)) + CMSG_SPACE(sizeof(std::uint32_t))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t n;
        while ((n = ::recvmsg(socket_, &message, MSG_DONTWAIT)) < 0 && errno == EINTR) {}
        if (n < 0) return (errno == EAGAIN || errno == EWOULDBLOCK) ? 0 : -1;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                ends.destination_ip = addressBytes(info.ipi_addr);
            } else if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SO_RXQ_OVFL) {
                std::uint32_t drops = 0;
                std::memcpy(&drops, CMSG_DATA(c), sizeof drops);
                dropped_ = drops;
            }
        }
#endif
        ends.source_ip = addressBytes(from.sin_addr);
        ends.source_port = ntohs(from.sin_port);
        return static_cast<long>(writeSyntheticHeaders(frame, ends, static_cast<std::size_t>(n)));
    }

    void loop() override {
        std::vector<std::uint8_t> frame(kSyntheticHeaderBytes + kMaxUdpPayload);
        std::optional<CaptureError> lost;
        while (!stopRequested() && awaitDatagram()) {
            // Drain what waits, but let a flood not keep stop() waiting.
            long length = 0;
            while (!stopRequested() && (length = receiveOne(frame)) > 0) {
                ++received_;
                // The headers written around the datagram are Ethernet's.
                deliver(ByteSpan(frame.data(), static_cast<std::size_t>(length)),
                        LinkType::Ethernet);
            }
            if (length < 0 && !stopRequested()) {
                const std::string why = errorText(lastError());
                noteFromWorker(CaptureNote::Kind::LoopError, "receiver: " + why + where_);
                lost = CaptureError{CaptureError::Kind::LoopFailed,
                                    "Receiving replies stopped: " + why + where_ +
                                        ". Replies are no longer received."};
                break;
            }
        }
        // Like a capture's loop: ended on request, or failed.
        noteFromWorker(CaptureNote::Kind::LoopEnded, {});
        finishRun(lost);
    }

    NativeSocket socket_ = kNoSocket;
    in_addr localAddress_{};  // the destination when the system does not tell it
    Waker waker_;
#ifdef _WIN32
    WSAEVENT readable_ = WSA_INVALID_EVENT;
#endif
    std::string where_;
    std::atomic<std::uint64_t> received_{0};
    std::atomic<std::uint64_t> dropped_{0};
};

}  // namespace

std::unique_ptr<PcapCaptureSource> makeSocketReceiver() {
    return std::make_unique<SocketReceiver>();
}

}  // namespace kestrel
