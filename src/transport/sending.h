#pragma once
// The two ways of sending a request and the rule that picks one. The caller
// handles "no adapter" (message box, or the end of the process).
#include <optional>
#include <string>
#include <string_view>

#include "transport/adapter.h"
#include "transport/datagram_socket.h"
#include "wire/byte_io.h"

namespace kestrel {

enum class SendOutcome { Sent, ShortSend, Failed };

// To the adapter's x.y.z.255, port 8901. The outcome is not reported.
SendOutcome sendBroadcast(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes);
// To one address, port 8901. A send error counts as a short send too: fewer
// bytes left than were asked for.
SendOutcome sendUnicast(DatagramSocket& socket, std::string_view ip, ByteSpan bytes);

// The way sendToController went and how the send went; the window reports a
// short unicast, never a broadcast.
struct ControllerSend {
    bool unicast = false;
    SendOutcome outcome = SendOutcome::Failed;
};
// Unicast to the controller's current address when it shares the adapter's
// subnet and is a canonical IPv4 text, otherwise the adapter's broadcast.
ControllerSend sendToController(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes,
                                std::string_view controllerIp);

}  // namespace kestrel
