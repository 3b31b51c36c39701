#include "transport/pcap_device_choice.h"

#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <netinet/in.h>
#endif

namespace kestrel {

namespace {
std::string ipv4Text(const sockaddr* addr) {
    sockaddr_in in{};
    std::memcpy(&in, addr, sizeof in);
    unsigned char b[4];
    std::memcpy(b, &in.sin_addr, sizeof b);  // network order: first number first
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    return text;
}
}  // namespace

const pcap_if_t* chooseCaptureDevice(const pcap_if_t* devices, const std::string& ip) {
    for (const pcap_if_t* d = devices; d != nullptr; d = d->next) {
        for (const pcap_addr_t* a = d->addresses; a != nullptr; a = a->next) {
            if (a->addr == nullptr || a->netmask == nullptr || a->addr->sa_family != AF_INET)
                continue;
            // Equality, not a prefix: 192.168.0.12 must not stand for 192.168.0.1.
            if (ipv4Text(a->addr) == ip) return d;
        }
    }
    return nullptr;
}

}  // namespace kestrel
