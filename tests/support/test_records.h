#pragma once
// A plausible controller's record for tests of the rules over rows: static
// address in 192.168.0.0/24, HTTPS on, OK, four doors. Header-only, Qt-free.
#include <string>
#include <utility>

#include "discovery/device_record.h"

namespace kestrel::testing {

inline DeviceRecord controllerRecord(std::string mac, std::string ip) {
    DeviceRecord r;
    r.mac = std::move(mac);
    r.ip = std::move(ip);
    r.ip_type = 1;
    r.subnet_mask = "255.255.255.0";
    r.gateway = "192.168.0.1";
    r.dns1 = "192.168.0.1";
    r.https_enabled = 1;
    r.http_port = 80;
    r.https_port = 443;
    r.status = 99;
    r.max_door = 4;
    return r;
}

}  // namespace kestrel::testing
