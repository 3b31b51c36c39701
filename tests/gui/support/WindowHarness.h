#pragma once
// Builds the real main window over fakes and drives it like a user would.
#include <QCoreApplication>
#include <QStringList>
#include <QTest>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ControlTable.h"
#include "app/CKestrelInstallerDlg.h"
#include "fake_seams.h"
#include "test_frames.h"

namespace fendrix::testing {

inline const QStringList kNormalArgs{QStringLiteral("fendrix")};
inline const QStringList kFactoryArgs{QStringLiteral("fendrix"), QStringLiteral("-p"),
                                      QStringLiteral("tundrax5832!")};

struct Harness {
    FakeWorld world;
    std::unique_ptr<CKestrelInstallerDlg> window;

    explicit Harness(const QStringList& args = kNormalArgs, bool show = true) { open(args, show); }
    Harness(const QStringList& args, std::vector<kestrel::SystemAdapter> adapters) {
        world.adapters.table = std::move(adapters);
        open(args, true);
    }

    void open(const QStringList& args, bool show) {
        window = std::make_unique<CKestrelInstallerDlg>(world.seams(), args);
        if (show) {
            window->show();
            (void)QTest::qWaitForWindowExposed(window.get());
        }
    }

    // Waits for the one start-up scan, so that it cannot clear rows later.
    bool waitStartupScan() {
        return QTest::qWaitFor([&] { return !world.socket.sent.empty(); }, 3000);
    }

    // Runs queued calls (the reply drain) without waiting.
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    void pushDatagram(const kestrel::testing::Bytes& datagram) {
        world.capture.push(kestrel::testing::udpFrame(datagram));
        settle();
    }

    void pushScanReply(const kestrel::testing::ScanReplySample& sample) {
        pushDatagram(kestrel::testing::scanReplyPayload(sample));
    }

    // n controllers 192.168.1.(50+i) with MACs 00:1a:2b:3c:4d:(i)
    void pushControllers(int n, const std::string& version = "3.1.7") {
        for (int i = 0; i < n; ++i) {
            kestrel::testing::ScanReplySample sample;
            char mac[32];
            std::snprintf(mac, sizeof mac, "00:1a:2b:3c:4d:%02x", i);
            sample.sender = mac;
            sample.ip = "192.168.1." + std::to_string(50 + i);
            sample.firmware_version = version;
            sample.status = i % 2 == 0 ? 99 : 0;
            world.capture.push(
                kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(sample)));
        }
        settle();
    }

    // A control of the main window by its template number.
    QWidget* control(int id) const { return findControl(*window, kMainWindowControls, id); }
};

}  // namespace fendrix::testing
