#include "discovery/row_texts.h"

#include "discovery/scan_reply.h"
#include "wire/address_text.h"

namespace kestrel {

std::string_view productName(std::uint16_t hardwareModel) {
    switch (hardwareModel) {
    case 0: return "MINI";
    case 1: return "1 Door";
    case 2: return "2 Door";
    case 3: return "3 Door";
    case 4: return "4 Door";
    case 100: return "Mini PC";
    case 200: return "Rack Mount";
    case 300: return "Virtual Machine";
    default: return "Unknown";
    }
}

std::string_view editionName(std::uint16_t edition) {
    switch (edition) {
    case 1: return "Keystone";
    case 2: return "Summit";
    case 3: return "Meridian";
    case 5: return "Satellite";
    case 7: return "Ascent";
    case 11: return "Meridian Plus";
    default: return "Unknown";
    }
}

namespace {
std::string numberCell(std::size_t n) { return "  " + std::to_string(n); }
}  // namespace

std::string cellText(const DeviceRecord& record, Column column, std::size_t rowIndex) {
    switch (column) {
    case ColNo: return numberCell(rowIndex + 1);
    case ColStatus: return record.status == scan_reply::StatusOk ? "OK" : "Failed";
    case ColMacAddress: return upperText(record.mac);
    case ColIpAddress: return record.ip;
    case ColIpType: return record.ip_type != 0 ? "Static" : "DHCP";
    case ColModel: return std::string(editionName(record.edition));
    case ColVersion: return record.firmware_version;
    case ColProduct: return std::string(productName(record.hardware_model));
    case ColMaxDoor: return numberCell(record.max_door);
    case ColServerIp: return record.server_ip;
    case ColumnCount: break;
    }
    return {};
}

std::string macTextCharacters(std::string_view cell) {
    std::string out;
    out.reserve(cell.size());
    for (const char c : cell) {
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (hex || c == ':' || c == '-') out += c;
    }
    return out;
}

}  // namespace kestrel
