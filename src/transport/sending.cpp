#include "transport/sending.h"

#include "wire/address_text.h"
#include "wire/protocol.h"

namespace kestrel {

namespace {
SendOutcome sendOne(DatagramSocket& socket, std::string_view ip, ByteSpan bytes) {
    const long sent = socket.sendTo(ip, kRequestPort, bytes);
    if (sent < 0) return SendOutcome::Failed;
    if (static_cast<std::size_t>(sent) != bytes.size()) return SendOutcome::ShortSend;
    return SendOutcome::Sent;
}
}  // namespace

SendOutcome sendBroadcast(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes) {
    const auto destination = broadcastAddress(adapter.ip_text);
    if (!destination) return SendOutcome::Failed;
    return sendOne(socket, *destination, bytes);
}

SendOutcome sendUnicast(DatagramSocket& socket, std::string_view ip, ByteSpan bytes) {
    return sendOne(socket, ip, bytes);
}

ControllerSend sendToController(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes,
                                std::string_view controllerIp) {
    // A text that shares the subnet but is not canonical (leading zeros, say)
    // could name another host; the broadcast still reaches the controller.
    if (isSameSubnet(adapter.ip_text, controllerIp) && isCanonicalIPv4(controllerIp))
        return {true, sendUnicast(socket, controllerIp, bytes)};
    return {false, sendBroadcast(socket, adapter, bytes)};
}

}  // namespace kestrel
