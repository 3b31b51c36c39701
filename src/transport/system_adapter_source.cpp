// The system's adapter table: GetAdaptersInfo on Windows, getifaddrs elsewhere.
#include <memory>

#include "transport/platform.h"

#ifdef _WIN32
// In this order: winsock2.h before windows.h, iphlpapi.h after both.
#include <winsock2.h>

#include <windows.h>

#include <iphlpapi.h>

#include <vector>

#include "transport/system_library.h"
#else
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#ifdef __linux__
#include <netpacket/packet.h>
#endif

#include <algorithm>
#include <cstring>
#endif

namespace kestrel {

namespace {

#ifdef _WIN32

// IP Helper is not one of the system's known DLLs: it is taken from System32
// by its full path when the table is first asked for, never imported (see
// system_library.h).
using GetAdaptersInfoFn = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);

GetAdaptersInfoFn getAdaptersInfo() {
    static const auto fn = reinterpret_cast<GetAdaptersInfoFn>(
        systemLibraryFunction("iphlpapi.dll", "GetAdaptersInfo"));
    return fn;
}

class SystemAdapterSource final : public AdapterSource {
public:
    std::optional<std::vector<SystemAdapter>> list() override {
        const GetAdaptersInfoFn query = getAdaptersInfo();
        if (query == nullptr) return std::nullopt;
        ULONG size = 648;
        std::vector<unsigned char> buffer(size);
        auto* info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
        DWORD rc = query(info, &size);
        if (rc == ERROR_BUFFER_OVERFLOW) {
            buffer.assign(size, 0);
            info = reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data());
            rc = query(info, &size);
        }
        if (rc != NO_ERROR) return std::nullopt;
        std::vector<SystemAdapter> adapters;
        for (const IP_ADAPTER_INFO* a = info; a != nullptr; a = a->Next) {
            SystemAdapter s;
            s.description = a->Description;
            s.ip_text = a->IpAddressList.IpAddress.String;
            const auto n = std::min<std::size_t>(a->AddressLength, sizeof a->Address);
            s.hardware.assign(a->Address, a->Address + n);
            s.if_name = a->AdapterName;
            adapters.push_back(std::move(s));
        }
        return adapters;
    }
};

#else

class SystemAdapterSource final : public AdapterSource {
public:
    std::optional<std::vector<SystemAdapter>> list() override {
        ifaddrs* head = nullptr;
        if (getifaddrs(&head) != 0) return std::nullopt;
        std::unique_ptr<ifaddrs, decltype(&freeifaddrs)> guard(head, &freeifaddrs);

        // getifaddrs lists one entry per address; the first entry of a name
        // fixes that interface's place in the system's order.
        std::vector<SystemAdapter> adapters;
        auto find = [&](const char* name) -> SystemAdapter* {
            for (auto& a : adapters)
                if (a.if_name == name) return &a;
            return nullptr;
        };
        for (const ifaddrs* it = head; it != nullptr; it = it->ifa_next) {
            if (it->ifa_name == nullptr || (it->ifa_flags & IFF_LOOPBACK) != 0) continue;
            SystemAdapter* a = find(it->ifa_name);
            if (a == nullptr) {
                adapters.push_back({it->ifa_name, "", {}, it->ifa_name});
                a = &adapters.back();
            }
            if (it->ifa_addr == nullptr) continue;
            if (it->ifa_addr->sa_family == AF_INET && a->ip_text.empty()) {
                sockaddr_in in{};
                std::memcpy(&in, it->ifa_addr, sizeof in);
                char text[INET_ADDRSTRLEN] = {};
                if (inet_ntop(AF_INET, &in.sin_addr, text, sizeof text) != nullptr)
                    a->ip_text = text;
            }
#ifdef __linux__
            if (it->ifa_addr->sa_family == AF_PACKET && a->hardware.empty()) {
                sockaddr_ll ll{};
                std::memcpy(&ll, it->ifa_addr, sizeof ll);
                const auto n = std::min<std::size_t>(ll.sll_halen, sizeof ll.sll_addr);
                a->hardware.assign(ll.sll_addr, ll.sll_addr + n);
            }
#endif
        }
        for (auto& a : adapters)
            if (a.ip_text.empty()) a.ip_text = "0.0.0.0";
        return adapters;
    }
};

#endif

}  // namespace

std::unique_ptr<AdapterSource> makeSystemAdapterSource() {
    return std::make_unique<SystemAdapterSource>();
}

}  // namespace kestrel
