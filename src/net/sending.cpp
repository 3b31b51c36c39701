#include "net/sending.h"

#include <array>
#include <cstdio>

#include "net/protocol.h"

namespace kestrel {

namespace {
// The first three dot-separated decimal numbers of a text. Anything after the
// third dot is ignored; a text that does not begin like that gives nothing.
std::optional<std::array<unsigned long, 3>> firstThreeNumbers(std::string_view text) {
    std::array<unsigned long, 3> numbers{};
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            if (pos >= text.size() || text[pos] != '.') return std::nullopt;
            ++pos;
        }
        const std::size_t begin = pos;
        unsigned long value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
            // Keep the value bounded; a number this long cannot be an address.
            if (pos - begin >= 9) return std::nullopt;
            value = value * 10 + static_cast<unsigned long>(text[pos] - '0');
            ++pos;
        }
        if (pos == begin) return std::nullopt;
        numbers[i] = value;
    }
    return numbers;
}

// Four decimal numbers 0..255 without leading zeros and nothing else: the
// texts the socket layer turns into an address.
bool isPlainAddress(std::string_view text) {
    std::size_t pos = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (pos >= text.size() || text[pos] != '.') return false;
            ++pos;
        }
        const std::size_t begin = pos;
        unsigned value = 0;
        while (pos < text.size() && pos - begin < 3 && text[pos] >= '0' && text[pos] <= '9')
            value = value * 10 + static_cast<unsigned>(text[pos++] - '0');
        const std::size_t digits = pos - begin;
        if (digits == 0 || value > 255 || (digits > 1 && text[begin] == '0')) return false;
    }
    return pos == text.size();
}
}  // namespace

bool isSameSubnet(std::string_view a, std::string_view b) {
    const auto na = firstThreeNumbers(a);
    const auto nb = firstThreeNumbers(b);
    return na && nb && *na == *nb;
}

std::optional<std::string> broadcastAddress(std::string_view adapterIp) {
    std::string fields[3];
    std::size_t pos = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        if (pos > adapterIp.size()) return std::nullopt;
        std::size_t dot = adapterIp.find('.', pos);
        if (dot == std::string_view::npos) {
            if (i < 2) return std::nullopt;
            dot = adapterIp.size();
        }
        fields[i] = std::string(adapterIp.substr(pos, dot - pos));
        pos = dot + 1;
    }
    return fields[0] + "." + fields[1] + "." + fields[2] + ".255";
}

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
    const SendOutcome outcome = sendOne(socket, ip, bytes);
    // An error (-1) is a short send too: fewer bytes left than were asked for.
    if (outcome != SendOutcome::Sent) {
        std::fputs("#### Error: Send Scan Done! -2 ####\n", stdout);
        std::fflush(stdout);
    }
    return outcome;
}

SendOutcome sendToController(DatagramSocket& socket, const AdapterEntry& adapter, ByteSpan bytes,
                             std::string_view controllerIp) {
    // A text that shares the subnet but is no plain address could not be sent
    // to; the broadcast still reaches the controller.
    if (isSameSubnet(adapter.ip_text, controllerIp) && isPlainAddress(controllerIp))
        return sendUnicast(socket, controllerIp, bytes);
    return sendBroadcast(socket, adapter, bytes);
}

}  // namespace kestrel
