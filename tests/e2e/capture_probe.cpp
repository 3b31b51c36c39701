// fendrix-capture-probe: one scan through one of the capture sources that
// run without rights of their own (the capture helper's stream, or the
// socket receiver), for end-to-end tests and measurements in a network
// namespace. Lines on standard output:
//   ready SOURCE                 the source started (the helper said ready)
//   error KIND TEXT              it did not start (exit 3)
//   row MAC IP                   each new row, with --list
//   lost TEXT                    the source ended by itself
//   stats ROWS RECEIVED DROPPED IFDROPPED LAST_ROW_AT
//                                once stopped; LAST_ROW_AT is the wall clock
//                                (seconds) of the last new row, or none
// Usage: fendrix-capture-probe --source helper|socket [--adapter NAME|IP]
//          [--expect N] [--wait MS] [--no-scan] [--list]
// It ends once N rows are there, the source ends, or MS have passed.
#include <CLI/CLI.hpp>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>

#include "discovery/device_list.h"
#include "dispatch/frame_handler.h"
#include "scan_stats.h"
#include "session.h"
#include "transport/platform.h"
#include "transport/sending.h"
#include "wire/request_header.h"

using namespace kestrel;

namespace {

const char* kindWord(CaptureError::Kind kind) {
    switch (kind) {
    case CaptureError::Kind::ListFailed: return "list-failed";
    case CaptureError::Kind::NoDevice: return "no-device";
    case CaptureError::Kind::OpenFailed: return "open-failed";
    case CaptureError::Kind::UnsupportedLink: return "unsupported-link";
    case CaptureError::Kind::LoopFailed: return "loop-failed";
    case CaptureError::Kind::HelperMissing: return "helper-missing";
    case CaptureError::Kind::HelperNotAllowed: return "helper-not-allowed";
    case CaptureError::Kind::NoRights: return "no-rights";
    case CaptureError::Kind::NoLibrary: return "no-library";
    }
    return "?";
}

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"One scan through the capture helper or the socket receiver"};
    std::string source, adapterName;
    std::size_t expect = 0;
    int waitMs = 3000;
    bool noScan = false, list = false;
    app.add_option("--source", source)->required()->check(CLI::IsMember({"helper", "socket"}));
    app.add_option("--adapter", adapterName);
    app.add_option("--expect", expect);
    app.add_option("--wait", waitMs);
    app.add_flag("--no-scan", noScan);
    app.add_flag("--list", list);
    CLI11_PARSE(app, argc, argv);

    const auto adapter =
        fendrix_cli::chooseAdapter(fendrix_cli::usableSystemAdapters(), adapterName);
    if (!adapter) {
        say("error no-adapter " + adapterName);
        return 3;
    }
    auto socket = makeUdpSocket();
    if (!socket->open() || !socket->bind(*adapter)) {
        say("error socket cannot bind to " + adapter->ip_text);
        return 3;
    }

    std::mutex mutex;
    std::condition_variable changed;
    DeviceList devices;
    std::optional<double> lastRowAt;
    bool lost = false;
    auto capture = source == "helper" ? makeHelperCapture() : makeSocketReceiver();
    capture->setLoopErrorSink([&](const CaptureError& error) {
        say("lost " + error.message);
        std::lock_guard lock(mutex);
        lost = true;
        changed.notify_all();
    });
    const auto error = capture->start(*adapter, [&](ByteSpan frame, LinkType link) {
        const auto event = handleFrame(frame, link);
        if (!event) return;
        const auto* scan = std::get_if<ScanReplyEvent>(&*event);
        if (scan == nullptr) return;
        std::lock_guard lock(mutex);
        if (!devices.add(scan->record)) return;
        lastRowAt = fendrix_cli::wallClockSeconds();
        if (list) say("row " + scan->record.mac + " " + scan->record.ip);
        changed.notify_all();
    });
    if (error) {
        say(std::string("error ") + kindWord(error->kind) + " " + error->message);
        return 3;
    }
    say("ready " + source);
    if (!noScan) sendBroadcast(*socket, *adapter, buildScanRequest(adapter->mac_text));

    {
        std::unique_lock lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                         [&] { return lost || (expect > 0 && devices.size() >= expect); });
    }
    capture->stop();
    const auto s = capture->stats();
    std::lock_guard lock(mutex);
    char last[32] = "none";
    if (lastRowAt) std::snprintf(last, sizeof last, "%.6f", *lastRowAt);
    say("stats " + std::to_string(devices.size()) + " " + std::to_string(s.received) + " " +
        std::to_string(s.dropped) + " " + std::to_string(s.if_dropped) + " " + last);
    return 0;
}
