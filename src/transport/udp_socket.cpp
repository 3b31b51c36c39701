// The one UDP socket: broadcast enabled, bound to the selected adapter.
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "transport/platform.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using NativeSocket = SOCKET;
constexpr NativeSocket kNoSocket = INVALID_SOCKET;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using NativeSocket = int;
constexpr NativeSocket kNoSocket = -1;
#endif

namespace kestrel {

namespace {

void closeNative(NativeSocket s) {
#ifdef _WIN32
    closesocket(s);
#else
    ::close(s);
#endif
}

bool toAddress(std::string_view ip, std::uint16_t port, sockaddr_in& out) {
    out = {};
    out.sin_family = AF_INET;
    out.sin_port = htons(port);
    const std::string text(ip);
    return inet_pton(AF_INET, text.c_str(), &out.sin_addr) == 1;
}

class UdpSocket final : public DatagramSocket {
public:
    ~UdpSocket() override { close(); }

    SocketOpenResult open() override {
        close();
#ifdef _WIN32
        // The socket layer is started once per process; it stays up until exit.
        static const int startError = [] {
            WSADATA data;
            return WSAStartup(MAKEWORD(2, 2), &data) == 0 ? 0 : WSAGetLastError();
        }();
        if (startError != 0)
            return {false, "WSAStartup() Failure! : " + std::to_string(startError)};
#endif
        socket_ = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (socket_ == kNoSocket) return {};
        int on = 1;
        if (setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                       sizeof on) != 0) {
            std::string diagnostic = std::string("setsockopt error: ") + std::strerror(errno);
            close();
            return {false, std::move(diagnostic)};
        }
        return {true, {}};
    }

    bool bind(const AdapterEntry& adapter) override {
        if (socket_ == kNoSocket) return false;
        sockaddr_in local{};
        if (!toAddress(adapter.ip_text, 0, local)) return false;
        if (::bind(socket_, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0)
            return false;
#ifdef SO_BINDTODEVICE
        // A directed broadcast is routed by destination, which may pick another
        // interface than the selected one; tie the socket to the adapter's
        // interface. Without the right to do so, the address binding stands.
        if (!adapter.if_name.empty())
            (void)setsockopt(socket_, SOL_SOCKET, SO_BINDTODEVICE, adapter.if_name.c_str(),
                             static_cast<socklen_t>(adapter.if_name.size()));
#endif
        return true;
    }

    long sendTo(std::string_view ip, std::uint16_t port, ByteSpan bytes) override {
        if (socket_ == kNoSocket) return -1;
        sockaddr_in to{};
        if (!toAddress(ip, port, to)) return -1;
#ifdef _WIN32
        const int sent = ::sendto(socket_, reinterpret_cast<const char*>(bytes.data()),
                                  static_cast<int>(bytes.size()), 0,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to);
        return sent == SOCKET_ERROR ? -1 : static_cast<long>(sent);
#else
        const ssize_t sent = ::sendto(socket_, bytes.data(), bytes.size(), 0,
                                      reinterpret_cast<const sockaddr*>(&to), sizeof to);
        return sent < 0 ? -1 : static_cast<long>(sent);
#endif
    }

    void close() override {
        if (socket_ == kNoSocket) return;
        closeNative(socket_);
        socket_ = kNoSocket;
    }

    bool isOpen() const override { return socket_ != kNoSocket; }

private:
    NativeSocket socket_ = kNoSocket;
};

}  // namespace

std::unique_ptr<DatagramSocket> makeUdpSocket() { return std::make_unique<UdpSocket>(); }

}  // namespace kestrel
