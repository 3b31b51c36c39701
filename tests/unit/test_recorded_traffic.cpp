// Recorded traffic of a simulated segment (tests/data/recorded, made by its
// record.sh) through the frame handler and the file capture: what a real
// capture delivered, duplicates and broken frames included.
#include <gtest/gtest.h>
#include <pcap/pcap.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "discovery/device_list.h"
#include "dispatch/frame_handler.h"
#include "transport/platform.h"

using namespace kestrel;

namespace {

const std::string kRecorded = std::string(FENDRIX_TEST_DATA) + "/recorded";

// Every frame of a pcap file as captured (caplen bytes), read directly.
std::vector<std::vector<std::uint8_t>> framesOf(const std::string& path) {
    char err[PCAP_ERRBUF_SIZE] = {};
    pcap_t* file = pcap_open_offline(path.c_str(), err);
    EXPECT_NE(file, nullptr) << err;
    std::vector<std::vector<std::uint8_t>> frames;
    if (file == nullptr) return frames;
    pcap_pkthdr* header = nullptr;
    const u_char* bytes = nullptr;
    while (pcap_next_ex(file, &header, &bytes) == 1)
        frames.emplace_back(bytes, bytes + header->caplen);
    pcap_close(file);
    return frames;
}

std::string lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

nlohmann::json segment() {
    std::ifstream in(kRecorded + "/segment.json");
    return nlohmann::json::parse(in);
}

TEST(RecordedTraffic, FrameHandlerDecodesEveryReplyAndNothingFromBrokenFrames) {
    const auto frames = framesOf(kRecorded + "/scan.pcap");
    ASSERT_GE(frames.size(), 10u);
    std::vector<DeviceRecord> scans;
    std::vector<std::uint8_t> results;
    std::vector<ApplyReply> applies;
    std::size_t nothing = 0;
    for (const auto& frame : frames) {
        const auto event = handleFrame(ByteSpan(frame.data(), frame.size()));
        if (!event) ++nothing;
        else if (auto* s = std::get_if<ScanReplyEvent>(&*event)) scans.push_back(s->record);
        else if (auto* r = std::get_if<ResultReplyEvent>(&*event)) results.push_back(r->result);
        else if (auto* a = std::get_if<ApplyReplyEvent>(&*event)) applies.push_back(a->reply);
    }
    // Broken frames that passed the filter: a truncated datagram, one that
    // claims more than was captured, and a request code.
    EXPECT_EQ(nothing, 3u);
    EXPECT_EQ(scans.size() + results.size() + applies.size() + nothing, frames.size());

    // Every controller of the segment, with what it was configured with.
    const auto config = segment();
    std::set<std::string> macs;
    for (const auto& r : scans) macs.insert(lower(r.mac));
    EXPECT_EQ(macs.size(), config.size());
    for (const auto& c : config) {
        const auto it = std::find_if(scans.begin(), scans.end(),
                                     [&](const DeviceRecord& r) { return r.mac == c["mac"]; });
        ASSERT_NE(it, scans.end()) << c["mac"];
        EXPECT_EQ(it->ip, c["ip"]);
        EXPECT_EQ(it->hardware_model, c["hardware_model"]);
        EXPECT_EQ(it->edition, c["edition"]);
        EXPECT_EQ(it->max_door, c["max_door"]);
        EXPECT_EQ(it->firmware_version, c["firmware_version"]);
        EXPECT_EQ(it->status, c["status"]);
    }

    // The refused reset and the OEM/MAC write, each sent twice.
    ASSERT_EQ(results.size(), 2u);
    EXPECT_NE(results[0], 0);  // wrong password: not a success
    EXPECT_EQ(results[1], results[0]);
    ASSERT_EQ(applies.size(), 2u);
    EXPECT_EQ(applies[0], applies[1]);
    EXPECT_EQ(applies[0].apply_status, 2);
}

TEST(RecordedTraffic, FileCaptureListsEachControllerOnceInArrivalOrder) {
    std::mutex m;
    DeviceList list;
    auto capture = makePcapFileCapture(kRecorded + "/scan.pcap");
    bool loopFailed = false;
    capture->setLoopErrorSink([&](const CaptureError&) { loopFailed = true; });
    ASSERT_FALSE(capture->start(AdapterEntry{}, [&](ByteSpan frame, LinkType link) {
        if (auto event = handleFrame(frame, link))
            if (auto* s = std::get_if<ScanReplyEvent>(&*event)) {
                std::lock_guard lock(m);
                list.add(s->record);
            }
    }));
    capture->waitFinished();
    capture->stop();
    EXPECT_FALSE(loopFailed);  // the end of a whole file is no failure
    const auto config = segment();
    ASSERT_EQ(list.size(), config.size());
    for (std::size_t i = 0; i < config.size(); ++i) EXPECT_EQ(list.at(i).mac, config[i]["mac"]);
}

// A file cut inside a record makes the loop end with an error: that is
// reported once, naming the file, after the whole records before the cut.
TEST(RecordedTraffic, CutFileReportsTheLoopFailureOnceAfterTheWholeRecords) {
    const std::string source = kRecorded + "/scan.pcap";
    std::ifstream in(source, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Global header (24) and the first record (16 + 258), then half a header.
    const std::size_t keep = 24 + 16 + 258 + 8;
    ASSERT_GT(bytes.size(), keep);
    const auto cut = (std::filesystem::temp_directory_path() / "fendrix_cut.pcap").string();
    std::ofstream(cut, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(keep));

    std::mutex m;
    std::size_t frames = 0;
    std::vector<CaptureError> failures;
    std::vector<CaptureNote> notes;
    auto capture = makePcapFileCapture(cut);
    capture->setLoopErrorSink([&](const CaptureError& e) {
        std::lock_guard lock(m);
        failures.push_back(e);
    });
    capture->setNoteSink([&](const CaptureNote& note) {
        std::lock_guard lock(m);
        notes.push_back(note);
    });
    ASSERT_FALSE(capture->start(AdapterEntry{}, [&](ByteSpan, LinkType) {
        std::lock_guard lock(m);
        ++frames;
    }));
    capture->waitFinished();  // the report comes before the finish
    {
        std::lock_guard lock(m);
        EXPECT_EQ(frames, 1u);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0].kind, CaptureError::Kind::LoopFailed);
        EXPECT_NE(failures[0].message.find(cut), std::string::npos) << failures[0].message;
        EXPECT_NE(failures[0].message.find("truncated"), std::string::npos) << failures[0].message;
        // The library's error line, then the end of the loop, for the program to print.
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0].kind, CaptureNote::Kind::LoopError);
        EXPECT_EQ(notes[0].text.rfind("capture: ", 0), 0u) << notes[0].text;
        EXPECT_NE(notes[0].text.find(cut), std::string::npos) << notes[0].text;
        EXPECT_EQ(notes[1].kind, CaptureNote::Kind::LoopEnded);
    }
    capture->stop();
    EXPECT_EQ(failures.size(), 1u);
    std::filesystem::remove(cut);
}

}  // namespace
