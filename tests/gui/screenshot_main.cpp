// fendrix-screenshot: renders the main window in normal and factory mode over
// fake seams with a few controllers, into two PNG files.
#include <QApplication>
#include <QDir>
#include <cstdio>

#include "WindowHarness.h"

using namespace fendrix;
using namespace fendrix::testing;
using kestrel::testing::ScanReplySample;

namespace {
void populate(FakeWorld& world) {
    struct Row {
        const char* mac;
        const char* ip;
        std::uint8_t ipType;
        std::uint16_t model, edition, doors;
        const char* version;
        const char* server;
        std::uint8_t status;
    };
    const Row rows[] = {
        {"00:1a:2b:3c:4d:01", "192.168.0.21", 1, 2, 1, 2, "6.2.14", "192.168.0.5", 99},
        {"00:1a:2b:3c:4d:02", "192.168.0.22", 0, 4, 3, 4, "6.2.14", "", 99},
        {"00:1a:2b:3c:4d:03", "169.254.10.3", 1, 100, 11, 16, "5.00.01l", "10.1.1.1", 99},
        {"00:1a:2b:3c:4d:04", "10.20.30.40", 1, 200, 7, 64, "6.1.3", "10.20.30.1", 0},
        {"00:1a:2b:3c:4d:05", "192.168.0.25", 0, 0, 2, 1, "5.00.02a", "", 99},
    };
    for (const Row& r : rows) {
        ScanReplySample s;
        s.sender = r.mac;
        s.ip = r.ip;
        s.ip_type = r.ipType;
        s.hardware_model = r.model;
        s.edition = r.edition;
        s.max_door = r.doors;
        s.firmware_version = r.version;
        s.server_ip = r.server;
        s.status = r.status;
        world.capture.push(kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(s)));
    }
}

bool render(const QStringList& args, const QString& path, bool factory) {
    Harness h(args, {{"Intel(R) Ethernet Connection I219-LM",
                      "192.168.0.10",
                      {0x00, 0x11, 0x22, 0x33, 0x44, 0x55},
                      "eth0"}});
    // After the start-up scan, so that it does not clear the rows again.
    if (!h.waitStartupScan()) return false;
    populate(h.world);
    if (!h.waitFor([&] { return h.rowCount() == 5; }, 3000)) return false;
    h.clickRow(1);
    h.window->deviceList()->setFocus();
    if (factory) {
        // The row's controller answers the panel's apply.
        if (!h.press(IDC_APPLY)) return false;
        h.world.capture.push(kestrel::testing::udpFrame(kestrel::testing::applyReplyDatagram(
            "00:1a:2b:3c:4d:02", 2, 2, 1, 19, "00:1a:2b:3c:4d:02")));
        // The panel shows the reply's texts once its box is answered.
        if (!h.waitFor([&] { return !h.world.prompts.shown.empty(); }, 3000)) return false;
    }
    return h.window->grab().save(path);
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("out");
    QDir().mkpath(outDir);
    const QString normal = QDir(outDir).filePath("screenshot-normal.png");
    const QString factory = QDir(outDir).filePath("screenshot-factory.png");
    if (!render(kNormalArgs, normal, false) || !render(kFactoryArgs, factory, true)) {
        std::fprintf(stderr, "fendrix-screenshot: could not render the window\n");
        return 1;
    }
    std::printf("%s\n%s\n", qPrintable(normal), qPrintable(factory));
    return 0;
}
