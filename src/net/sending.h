#pragma once
// The two ways of sending a request and the rule that picks one. The caller
// handles "no adapter" (message box, or the end of the process).
#include <optional>
#include <string>
#include <string_view>

#include "net/adapter.h"
#include "net/byte_io.h"
#include "net/datagram_socket.h"

namespace kestrel {

enum class SendOutcome { Sent, ShortSend, Failed };

// To the adapter's x.y.z.255, port 8901. The outcome is not reported.
SendOutcome sendBroadcast(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes);
// To one address, port 8901. A short send writes
// "#### Error: Send Scan Done! -2 ####\n" to standard output.
SendOutcome sendUnicast(DatagramSocket& socket, std::string_view ip, ByteSpan bytes);
// Unicast to the controller's current address when it shares the adapter's
// subnet and is a canonical IPv4 text, otherwise the adapter's broadcast.
SendOutcome sendToController(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes,
                             std::string_view controllerIp);

}  // namespace kestrel
