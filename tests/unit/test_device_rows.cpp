// The device list written out (what fendrix-cli scan prints and the window
// exports): the JSON shape of a row, and rows streamed one at a time giving
// the bytes of the whole list built as one document.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "discovery/row_texts.h"
#include "output/device_rows.h"
#include "output/safe_text.h"
#include "test_records.h"

using namespace kestrel;

namespace {

DeviceRecord record(std::string mac, std::string ip) {
    return kestrel::testing::controllerRecord(std::move(mac), std::move(ip));
}

std::string written(const DeviceList& list, RowFormat format) {
    std::ostringstream out;
    writeDeviceRows(out, list, format);
    return out.str();
}

// The list as one JSON document, built whole: how its JSON was written
// before rows were streamed.
std::string wholeArray(const DeviceList& list) {
    auto rows = nlohmann::json::array();
    for (std::size_t i = 0; i < list.size(); ++i) {
        const DeviceRecord& r = list.at(i);
        nlohmann::json row = nlohmann::json::object();
        for (int c = 0; c < ColumnCount; ++c)
            row[std::string(columnKey(static_cast<Column>(c)))] =
                cellText(r, static_cast<Column>(c), i);
        row["record"] = {{"mac", r.mac},
                         {"ip_type", r.ip_type},
                         {"ip", r.ip},
                         {"subnet_mask", r.subnet_mask},
                         {"gateway", r.gateway},
                         {"server_ip", r.server_ip},
                         {"dns1", r.dns1},
                         {"dns2", r.dns2},
                         {"https_enabled", r.https_enabled},
                         {"http_port", r.http_port},
                         {"https_port", r.https_port},
                         {"hardware_model", r.hardware_model},
                         {"edition", r.edition},
                         {"max_door", r.max_door},
                         {"status", r.status},
                         {"firmware_version", r.firmware_version}};
        rows.push_back(std::move(row));
    }
    return jsonText(rows) + "\n";
}

}  // namespace

TEST(DeviceRows, JsonRowsCarryCellTextsAndTheRecord) {
    DeviceList list;
    DeviceRecord r = record("00:1a:2b:3c:4d:5e", "192.168.0.21");
    r.edition = 11;
    r.hardware_model = 100;
    list.add(r);
    const auto rows = nlohmann::json::parse(written(list, RowFormat::Json));
    ASSERT_EQ(rows.size(), 1u);
    const auto& row = rows[0];
    EXPECT_EQ(row.size(), 11u);
    EXPECT_EQ(row["no"], "  1");
    EXPECT_EQ(row["status"], "OK");
    EXPECT_EQ(row["mac_address"], "00:1A:2B:3C:4D:5E");
    EXPECT_EQ(row["ip_type"], "Static");
    EXPECT_EQ(row["model"], "Meridian Plus");
    EXPECT_EQ(row["product"], "Mini PC");
    EXPECT_EQ(row["max_door"], "  4");
    EXPECT_EQ(row["server_ip"], "");
    EXPECT_EQ(row["record"]["mac"], "00:1a:2b:3c:4d:5e");
    EXPECT_EQ(row["record"]["http_port"], 80);
    EXPECT_TRUE(row["record"]["max_door"].is_number());
    EXPECT_EQ(row["record"].size(), 16u);
}

TEST(DeviceRows, StreamedJsonEqualsTheWholeArray) {
    DeviceRecord hostile = record("00:1a:2b:70:00:02", "1.2.3.4\r\n  9  OK");
    hostile.firmware_version = "\x1b]0;pw\x07";
    hostile.server_ip = "a,\"b\"\\";
    hostile.gateway = "caf\xc3\xa9 \xff\xfe";  // UTF-8, then bytes that are not
    std::vector<std::vector<DeviceRecord>> lists = {
        {},
        {record("00:1a:2b:3c:4d:01", "192.168.0.21")},
        {record("00:1a:2b:3c:4d:01", "192.168.0.21"), hostile,
         record("00:1a:2b:3c:4d:03", "10.0.0.3")},
    };
    for (const auto& records : lists) {
        DeviceList list;
        for (const auto& r : records) list.add(r);
        EXPECT_EQ(written(list, RowFormat::Json), wholeArray(list)) << records.size() << " rows";
    }
}
