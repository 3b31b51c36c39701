#pragma once
// What a scan reply tells about one controller; one per device-list row.
#include <cstdint>
#include <string>

namespace kestrel {

struct DeviceRecord {
    std::string mac;  // the reply header's sender, in the case the controller sent it
    std::uint8_t ip_type = 0;
    std::string ip;
    std::string subnet_mask;
    std::string gateway;
    std::string server_ip;
    std::string dns1;
    std::string dns2;
    std::uint16_t https_enabled = 0;
    std::uint16_t http_port = 0;
    std::uint16_t https_port = 0;
    std::uint16_t hardware_model = 0;
    std::uint16_t edition = 0;
    std::uint16_t max_door = 0;
    std::uint16_t status = 0;
    std::string firmware_version;

    bool operator==(const DeviceRecord&) const = default;
};

// Columns of the device list, in their fixed index order.
enum Column : int {
    ColNo,
    ColStatus,
    ColMacAddress,
    ColIpAddress,
    ColIpType,
    ColModel,
    ColVersion,
    ColProduct,
    ColMaxDoor,
    ColServerIp,
    ColumnCount
};

}  // namespace kestrel
