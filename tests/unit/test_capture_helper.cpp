// The capture helper's rules: the command lines it refuses, its status line
// format, where it is looked for; and runs of the real binary that refuse
// before they open any capture.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "capture_args.h"
#include "transport/capture_helper_lines.h"
#include "transport/capture_helper_location.h"
#include "transport/helper_process.h"

using namespace kestrel;
using fendrix_capture::CaptureArgs;
using fendrix_capture::Refusal;

namespace {

std::variant<CaptureArgs, Refusal> parse(std::vector<std::string_view> args) {
    return fendrix_capture::parseCaptureArgs(args);
}

}  // namespace

TEST(CaptureArgs, RefusesAnythingButOneInterfaceOrAddress) {
    const struct {
        std::vector<std::string_view> args;
        const char* reason;
    } cases[] = {
        {{}, "name the interface"},
        {{"--filter", "udp"}, "unknown argument: --filter"},
        {{"eth0"}, "unknown argument: eth0"},
        {{"--interface"}, "--interface needs a name"},
        {{"--address"}, "--address needs an address"},
        {{"--interface", "eth0", "--interface", "eth1"}, "only one"},
        {{"--interface", "eth0", "--address", "10.0.0.1"}, "only one"},
        {{"--interface", "eth0;id"}, "not an interface name: eth0;id"},
        {{"--interface", "a/b"}, "not an interface name"},
        {{"--interface", ".."}, "not an interface name"},
        {{"--interface", "-i"}, "not an interface name"},
        {{"--interface", "bad\nname"}, "not an interface name: bad\\x0aname"},
        {{"--interface", "sixteen-chars-xx"}, "not an interface name"},
        {{"--address", "192.168.0.010"}, "not a dotted IPv4 address"},
        {{"--address", "192.168.0"}, "not a dotted IPv4 address"},
        {{"--address", "256.1.1.1"}, "not a dotted IPv4 address"},
        {{"--address", " 10.0.0.1"}, "not a dotted IPv4 address"},
        {{"--help", "--interface", "eth0"}, "--help takes no other argument"},
    };
    for (const auto& c : cases) {
        const auto result = parse(c.args);
        const auto* refusal = std::get_if<Refusal>(&result);
        ASSERT_NE(refusal, nullptr) << c.reason;
        EXPECT_NE(refusal->reason.find(c.reason), std::string::npos) << refusal->reason;
        EXPECT_EQ(refusal->reason.find('\n'), std::string::npos) << refusal->reason;
    }
}

TEST(CaptureArgs, AcceptsOneNameOrCanonicalAddress) {
    const auto byName = std::get<CaptureArgs>(parse({"--interface", "fxp1-12345_.x"}));
    EXPECT_EQ(byName.interface_name, "fxp1-12345_.x");
    const auto byAddress = std::get<CaptureArgs>(parse({"--address", "10.0.255.0"}));
    EXPECT_EQ(byAddress.address, "10.0.255.0");
    EXPECT_EQ(std::get<CaptureArgs>(parse({"--version"})).action, CaptureArgs::Action::Version);
    EXPECT_EQ(std::get<CaptureArgs>(parse({"--help"})).action, CaptureArgs::Action::Help);
}

TEST(CaptureHelperLines, WrittenLinesReadBack) {
    using helper::Line;
    const auto ready = helper::parseLine("fendrix-capture: ready fxp1-42");
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->type, Line::Type::Ready);
    EXPECT_EQ(ready->text, "fxp1-42");

    const std::string stats = helper::statsLine({18446744073709551615u, 2, 3});
    EXPECT_EQ(stats, "fendrix-capture: stats 18446744073709551615 2 3\n");
    const auto counters = helper::parseLine(stats.substr(0, stats.size() - 1));
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->counters, (helper::Counters{18446744073709551615u, 2, 3}));

    const std::string error = helper::errorLine(helper::ErrorKind::NoDevice, "no\ninterface x");
    EXPECT_EQ(error, "fendrix-capture: error no-device no interface x\n");
    const auto parsed = helper::parseLine(error.substr(0, error.size() - 1));
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->error, helper::ErrorKind::NoDevice);
    EXPECT_EQ(parsed->text, "no interface x");

    for (const char* other :
         {"capture device eth9 has no address, skipped", "fendrix-capture: stats 1 2",
          "fendrix-capture: stats 1 2 3 4", "fendrix-capture: stats 1 -2 3",
          "fendrix-capture: error mystery text", "fendrix-capture: ready", "fendrix-capture:"})
        EXPECT_FALSE(helper::parseLine(other)) << other;
}

TEST(CaptureHelperLocation, InstalledTreeFirstThenBuildTreeThenBeside) {
    EXPECT_EQ(captureHelperCandidates("/usr/bin"),
              (std::vector<std::string>{"/usr/libexec/fendrix/fendrix-capture",
                                        "/usr/capture/fendrix-capture", "/capture/fendrix-capture",
                                        "/usr/bin/fendrix-capture"}));

    namespace fs = std::filesystem;
    const fs::path root =
        fs::temp_directory_path() / ("fendrix-location-" + std::to_string(getpid()));
    for (const char* dir : {"build/cli", "build/src", "build/tests/e2e", "build/capture"})
        fs::create_directories(root / dir);
    std::ofstream(root / "build/capture/fendrix-capture") << "";
    fs::create_directories(root / "lone/bin/fendrix-capture");
    const std::string helper = (root / "build/capture/fendrix-capture").string();
    for (const char* program : {"build/cli", "build/src", "build/tests/e2e"})
        EXPECT_EQ(findCaptureHelper((root / program).string()), helper) << program;
    // A folder of that name is not the helper.
    EXPECT_FALSE(findCaptureHelper((root / "lone/bin").string()));
    EXPECT_FALSE(findCaptureHelper(""));
    fs::remove_all(root);
}

// Refused before any capture is opened: a bad line, and loopback, where no
// controller answers but every local program's traffic passes.
TEST(CaptureHelperBinary, RefusesWithOneErrorLineBeforeAnyCapture) {
    const struct {
        std::vector<std::string> args;
        int exit;
        const char* said;
    } cases[] = {
        {{"--interface", "lo", "--filter", "tcp"},
         2,
         "fendrix-capture: error usage unknown argument: --filter (see fendrix-capture --help)\n"},
        {{"--interface", "lo"},
         1,
         "fendrix-capture: error no-device lo is a loopback interface; controllers answer on "
         "Ethernet\n"},
        {{"--address", "127.0.0.1"},
         1,
         "fendrix-capture: error no-device lo is a loopback interface; controllers answer on "
         "Ethernet\n"},
    };
    for (const auto& c : cases) {
        HelperProcess helper;
        ASSERT_EQ(helper.start(FENDRIX_CAPTURE_HELPER, c.args), 0);
        std::string said;
        char buf[512];
        ssize_t n;
        while ((n = ::read(helper.statusFd(), buf, sizeof buf)) > 0)
            said.append(buf, static_cast<std::size_t>(n));
        const int status = helper.reap();
        ASSERT_TRUE(WIFEXITED(status)) << c.args[1];
        EXPECT_EQ(WEXITSTATUS(status), c.exit) << c.args[1];
        EXPECT_EQ(said, c.said);
    }
}
