#pragma once
// The one UDP socket of the tool. It only sends; replies are captured.
#include <cstdint>
#include <string>
#include <string_view>

#include "transport/adapter.h"
#include "wire/byte_io.h"

namespace kestrel {

// What open() answers: whether the socket is open, and when it is not, the
// line the socket layer has to say about it for the program's diagnostics.
struct SocketOpenResult {
    bool opened = false;
    std::string diagnostic;  // e.g. "setsockopt error: Permission denied"; may be empty
    explicit operator bool() const { return opened; }
};

class DatagramSocket {
public:
    virtual ~DatagramSocket() = default;
    // Creates an IPv4 UDP socket with broadcasting enabled. On a refused
    // broadcast option the socket is closed again.
    virtual SocketOpenResult open() = 0;
    // Binds to the adapter's address, system-chosen port, and ties sending
    // to that adapter's interface where the platform allows.
    virtual bool bind(const AdapterEntry& adapter) = 0;
    // Sends one datagram; answers the byte count the system reports, -1 on error.
    virtual long sendTo(std::string_view ip, std::uint16_t port, ByteSpan bytes) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

}  // namespace kestrel
