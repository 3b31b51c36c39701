// The road of a scan: start-up scan, replies from the capture into rows,
// result and apply replies, adapters and capture failures.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <atomic>
#include <memory>
#include <thread>

#include "WindowHarness.h"
#include "stream_capture.h"
#include "transport/capture_hints.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

using namespace fendrix;
using namespace fendrix::testing;
using kestrel::testing::ScanReplySample;
using Dlg = CKestrelInstallerDlg;

namespace {
// The MAC text of Harness::pushControllers' controller i.
std::string macOf(int i) {
    char mac[32];
    std::snprintf(mac, sizeof mac, "00:1a:2b:3c:4d:%02x", i);
    return mac;
}

// A factory reset to that controller: the window then awaits its result.
void sendReset(Harness& h, int i) {
    h.window->sendFactoryReset(macOf(i), "192.168.1." + std::to_string(50 + i), "admin", "pw");
}

std::vector<std::uint8_t> expectedScanRequest(const std::string& mac) {
    std::vector<std::uint8_t> b(52, 0);
    const std::string magic = "kestrel";
    std::copy(magic.begin(), magic.end(), b.begin());
    b[7] = 1;
    b[9] = 1;
    b[10] = 52;
    std::copy(mac.begin(), mac.end(), b.begin() + 12);
    return b;
}
}  // namespace

class TestScanFlow : public QObject {
    Q_OBJECT
private slots:
    void startupScanOnceAfterOneSecond();
    void scanButtonClearsThenBroadcasts();
    void scanReplyBecomesARowWithItsRecord();
    void equalRepliesMakeOneRow();
    void repliesFromTheWorkerThreadKeepTheirOrder();
    void closingWhileRepliesStreamIn();
    void resultReplyShowsItsMessageAndRescans_data();
    void resultReplyShowsItsMessageAndRescans();
    void onlyTheAnswerToTheWindowsOwnRequestIsActedOn_data();
    void onlyTheAnswerToTheWindowsOwnRequestIsActedOn();
    void openBoxHoldsLaterRepliesUntilClosed();
    void applyReplies();
    void adapterSwitchRestartsCaptureAndKeepsRows();
    void noAdapterSaysSoOnceAndSendsNothing();
    void captureErrorShowsOneBoxAndWindowStaysUsable();
    void socketReceiverWarnsOncePerReason();
    void captureListFailureAndRefusedBindEndTheProcess();
    void refusedBroadcastOptionWritesTheSocketLayersLines();
};

void TestScanFlow::startupScanOnceAfterOneSecond() {
    Harness h;
    QTest::qWait(700);
    QVERIFY(h.world.socket.sent.empty());
    QTRY_COMPARE_WITH_TIMEOUT(h.world.socket.sent.size(), std::size_t(1), 1500);
    const SentDatagram& d = h.world.socket.sent[0];
    QCOMPARE(d.ip, std::string("192.168.1.255"));
    QCOMPARE(d.port, std::uint16_t(8901));
    QCOMPARE(d.bytes, expectedScanRequest("00:11:22:33:44:55"));
    QTest::qWait(1200);
    QCOMPARE(h.world.socket.sent.size(), std::size_t(1));
    QVERIFY(h.world.prompts.shown.empty());
    QCOMPARE(h.world.capture.startedOn, std::vector<std::string>{"192.168.1.10"});
    QCOMPARE(h.world.socket.boundTo, std::vector<std::string>{"192.168.1.10"});
}

void TestScanFlow::scanButtonClearsThenBroadcasts() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    h.pushControllers(3);
    QCOMPARE(h.window->deviceModel().rowCount(), 3);
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    QCOMPARE(h.window->deviceModel().rowCount(), 0);
    QCOMPARE(h.world.socket.sent.size(), std::size_t(2));
    QCOMPARE(h.world.socket.sent[1].bytes, expectedScanRequest("00:11:22:33:44:55"));
    h.pushControllers(1);
    QCOMPARE(h.window->deviceModel().cell(0, kestrel::ColNo), QString("  1"));
}

void TestScanFlow::scanReplyBecomesARowWithItsRecord() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    ScanReplySample s;
    s.sender = "00:1a:2b:3c:4d:5e";
    s.ip = "192.168.1.77";
    s.ip_type = 2;
    s.subnet_mask = "255.255.255.0";
    s.gateway = "192.168.1.1";
    s.dns1 = "8.8.8.8";
    s.dns2 = "8.8.4.4";
    s.https_enabled = 1;
    s.http_port = 8080;
    s.https_port = 8443;
    s.server_ip = "192.168.1.2";
    s.hardware_model = 100;
    s.edition = 11;
    s.max_door = 4;
    s.firmware_version = "5.00.01l";
    s.status = 99;
    h.pushScanReply(s);
    const DeviceListModel& m = h.window->deviceModel();
    QCOMPARE(m.rowCount(), 1);
    const QStringList expected{
        "  1",           "OK",       "00:1A:2B:3C:4D:5E", "192.168.1.77", "Static",
        "Meridian Plus", "5.00.01l", "Mini PC",           "  4",          "192.168.1.2"};
    for (int c = 0; c < kestrel::ColumnCount; ++c)
        QCOMPARE(m.cell(0, static_cast<kestrel::Column>(c)), expected[c]);
    const kestrel::DeviceRecord& r = m.record(0);
    QCOMPARE(r.mac, std::string("00:1a:2b:3c:4d:5e"));
    QCOMPARE(r.ip_type, std::uint8_t(2));
    QCOMPARE(r.dns2, std::string("8.8.4.4"));
    QCOMPARE(r.https_enabled, std::uint16_t(1));
    QCOMPARE(r.http_port, std::uint16_t(8080));
    QCOMPARE(r.https_port, std::uint16_t(8443));
    QCOMPARE(r.status, std::uint16_t(99));

    // Rows are shown through the view, too.
    QCOMPARE(h.window->deviceList()->model()->index(0, kestrel::ColNo).data().toString(),
             QString("  1"));
}

void TestScanFlow::equalRepliesMakeOneRow() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    ScanReplySample a;
    a.sender = "00:1a:2b:3c:4d:5e";
    a.ip = "192.168.1.50";
    ScanReplySample upper = a;
    upper.sender = "00:1A:2B:3C:4D:5E";
    upper.firmware_version = "9.9.9";  // a row is never updated in place
    ScanReplySample moved = a;
    moved.ip = "192.168.1.51";
    h.pushScanReply(a);
    h.pushScanReply(upper);
    h.pushScanReply(a);
    QCOMPARE(h.window->deviceModel().rowCount(), 1);
    QCOMPARE(h.window->deviceModel().cell(0, kestrel::ColVersion), QString("3.1.7"));
    h.pushScanReply(moved);
    QCOMPARE(h.window->deviceModel().rowCount(), 2);
}

void TestScanFlow::repliesFromTheWorkerThreadKeepTheirOrder() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    constexpr int kCount = 300;
    std::thread worker([&] {
        for (int i = 0; i < kCount; ++i) {
            ScanReplySample s;
            char mac[32];
            std::snprintf(mac, sizeof mac, "00:1a:2b:3c:%02x:%02x", i / 256, i % 256);
            s.sender = mac;
            s.ip = "10.1." + std::to_string(i / 256) + "." + std::to_string(i % 256);
            const auto frame = kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(s));
            h.world.capture.push(frame);
            h.world.capture.push(frame);  // every reply twice
        }
    });
    worker.join();
    QTRY_COMPARE(h.window->deviceModel().rowCount(), kCount);
    const DeviceListModel& m = h.window->deviceModel();
    for (int i = 0; i < kCount; ++i) {
        QCOMPARE(m.cell(i, kestrel::ColIpAddress), QString("10.1.%1.%2").arg(i / 256).arg(i % 256));
        QCOMPARE(m.cell(i, kestrel::ColNo), QString("  %1").arg(i + 1));
    }
}

void TestScanFlow::closingWhileRepliesStreamIn() {
    auto h = std::make_unique<Harness>();
    QVERIFY(h->waitStartupScan());
    std::atomic<bool> done{false};
    FakeCapture& capture = h->world.capture;
    std::thread worker([&] {
        for (int i = 0; !done; ++i) {
            ScanReplySample s;
            s.ip = "10.2." + std::to_string((i / 250) % 250) + "." + std::to_string(i % 250);
            capture.push(kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(s)));
        }
    });
    // The worker is joined on every way out, also when a check fails.
    const auto joinWorker = qScopeGuard([&] {
        done = true;
        worker.join();
    });
    QTRY_VERIFY(h->window->deviceModel().rowCount() > 10);
    h->window->close();  // stops the capture: nothing reaches the window afterwards
    const int afterClose = capture.delivered();
    QTest::qWait(20);
    QCOMPARE(capture.delivered(), afterClose);
    h->window.reset();  // queued drains of the closed window are dropped with it
    QCoreApplication::processEvents();
}

void TestScanFlow::resultReplyShowsItsMessageAndRescans_data() {
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("0") << 0 << "Sucess";
    QTest::newRow("1") << 1 << "Sucess and System Reboot";
    QTest::newRow("5") << 5 << "The UserID or Password you typed do not match.";
    QTest::newRow("6") << 6 << "Network Change not Use";
    QTest::newRow("2 silent") << 2 << "";
    QTest::newRow("200 silent") << 200 << "";
}

void TestScanFlow::resultReplyShowsItsMessageAndRescans() {
    QFETCH(int, result);
    QFETCH(QString, message);
    Harness h;
    QVERIFY(h.waitStartupScan());
    h.pushControllers(2);
    sendReset(h, 1);
    // The reset's answer, whatever its magic says.
    auto datagram =
        kestrel::testing::resultReplyDatagram(static_cast<std::uint8_t>(result), macOf(1));
    datagram[0] = 'X';
    int rowsWhileOpen = -1;
    h.world.prompts.whileOpen = [&](const Prompt&) {
        rowsWhileOpen = h.window->deviceModel().rowCount();
    };
    h.pushDatagram(datagram);
    if (message.isEmpty()) {
        QVERIFY(h.world.prompts.shown.empty());
    } else {
        QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(h.world.prompts.shown[0].text), message);
        QVERIFY(h.world.prompts.shown[0].icon == kestrel::PromptIcon::Information);
        QCOMPARE(rowsWhileOpen, 2);  // the box first, then the clear
    }
    QCOMPARE(h.window->deviceModel().rowCount(), 0);
    // The start-up scan, the reset, the rescan.
    QCOMPARE(h.world.socket.sent.size(), std::size_t(3));
    QCOMPARE(h.world.socket.sent[2].ip, std::string("192.168.1.255"));
    QCOMPARE(h.world.socket.sent[2].bytes.size(), std::size_t(52));
}

void TestScanFlow::onlyTheAnswerToTheWindowsOwnRequestIsActedOn_data() {
    QTest::addColumn<QString>("request");  // what the window sent, "" for nothing
    QTest::addColumn<int>("code");         // of the reply: 18 result, 19 apply
    QTest::addColumn<QString>("sender");
    QTest::addColumn<bool>("early");  // handed over before the request left
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("boxes");
    QTest::addColumn<int>("rescans");
    const QString target = QString::fromStdString(macOf(0));
    const QString forger = "02:fe:ed:be:ef:01";
    QTest::newRow("forged results, nothing sent") << "" << 18 << forger << false << 5 << 0 << 0;
    QTest::newRow("a listed controller's result, nothing sent")
        << "" << 18 << target << false << 1 << 0 << 0;
    QTest::newRow("an apply reply, nothing sent") << "" << 19 << target << false << 1 << 0 << 0;
    QTest::newRow("reset, its controller answers in capitals")
        << "reset" << 18 << target.toUpper() << false << 1 << 1 << 1;
    QTest::newRow("network change, its controller answers")
        << "netcfg" << 18 << target << false << 1 << 1 << 1;
    QTest::newRow("apply, its controller answers")
        << "apply" << 19 << target << false << 1 << 1 << 0;
    QTest::newRow("reset, another sender") << "reset" << 18 << forger << false << 1 << 0 << 0;
    QTest::newRow("reset, another listed controller")
        << "reset" << 18 << QString::fromStdString(macOf(1)) << false << 1 << 0 << 0;
    QTest::newRow("reset, an apply reply") << "reset" << 19 << target << false << 1 << 0 << 0;
    QTest::newRow("apply, a result reply") << "apply" << 18 << target << false << 1 << 0 << 0;
    QTest::newRow("reset, a result handed over before it left")
        << "reset" << 18 << target << true << 1 << 0 << 0;
    QTest::newRow("reset, answered twice") << "reset" << 18 << target << false << 2 << 1 << 1;
}

void TestScanFlow::onlyTheAnswerToTheWindowsOwnRequestIsActedOn() {
    QFETCH(QString, request);
    QFETCH(int, code);
    QFETCH(QString, sender);
    QFETCH(bool, early);
    QFETCH(int, copies);
    QFETCH(int, boxes);
    QFETCH(int, rescans);
    Harness h(kFactoryArgs);
    QVERIFY(h.waitStartupScan());
    h.pushControllers(2);
    const std::string from = sender.toStdString();
    const auto reply = code == 18 ? kestrel::testing::resultReplyDatagram(0, from)
                                  : kestrel::testing::applyReplyDatagram(from, 2, 2, 1, 19, from);
    StreamCapture err(stderr);
    // Waiting in the queue, not handled yet, when the request leaves.
    if (early) h.world.capture.push(kestrel::testing::udpFrame(reply));
    const std::size_t sentBefore = h.world.socket.sent.size();
    if (request == "reset") {
        sendReset(h, 0);
    } else if (request == "netcfg") {
        kestrel::NetworkChangeValues values;
        values.target_mac = macOf(0);
        values.current_ip = "192.168.1.50";
        h.window->sendNetworkChange(values);
    } else if (request == "apply") {
        h.clickRow(0);
        QVERIFY(h.press(IDC_APPLY));
    }
    QCOMPARE(h.sentSince(sentBefore).size(), std::size_t(request.isEmpty() ? 0 : 1));
    Harness::settle();
    for (int copy = early ? 1 : 0; copy < copies; ++copy) h.pushDatagram(reply);

    // The boxes' texts are those of a real answer; a result rescans, an apply not.
    const std::vector<std::string> shown(boxes, code == 18 ? "Sucess" : "OK");
    QCOMPARE(h.world.prompts.texts(), shown);
    const auto after = h.sentSince(sentBefore + (request.isEmpty() ? 0 : 1));
    QCOMPARE(int(after.size()), rescans);
    for (const SentDatagram& scan : after) {
        QCOMPARE(scan.ip, std::string("192.168.1.255"));
        QCOMPARE(scan.bytes.size(), std::size_t(52));
    }
    QCOMPARE(h.window->deviceModel().rowCount(), rescans > 0 ? 0 : 2);
    // Everything else is ignored: counted, and one line each on stderr.
    const int ignored = copies - boxes;
    QCOMPARE(int(h.window->ignoredAnswers()), ignored);
    const std::string lines = err.take();
    int written = 0;
    for (std::size_t at = 0; (at = lines.find("Ignored ", at)) != std::string::npos; ++at)
        ++written;
    QVERIFY2(written == ignored, lines.c_str());
    if (ignored > 0)
        QVERIFY2(lines.find(from + "\": it answers no request of this window") != std::string::npos,
                 lines.c_str());
}

void TestScanFlow::openBoxHoldsLaterRepliesUntilClosed() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    h.pushControllers(2);
    std::vector<int> rowsSeen;
    bool pushed = false;
    h.world.prompts.whileOpen = [&](const Prompt&) {
        if (pushed) return;
        pushed = true;
        // A reply arrives while the box is open and the box's own event loop runs.
        ScanReplySample s;
        s.sender = "00:aa:00:00:00:01";
        s.ip = "192.168.1.99";
        h.world.capture.push(kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(s)));
        for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
        rowsSeen.push_back(h.window->deviceModel().rowCount());
    };
    sendReset(h, 0);
    h.world.capture.push(
        kestrel::testing::udpFrame(kestrel::testing::resultReplyDatagram(0, macOf(0))));
    Harness::settle();
    Harness::settle();
    QCOMPARE(rowsSeen, std::vector<int>{2});  // held: not added, not yet cleared
    // Then, in order: cleared by the rescan, the held reply added.
    QCOMPARE(h.window->deviceModel().rowCount(), 1);
    QCOMPARE(h.window->deviceModel().cell(0, kestrel::ColIpAddress), QString("192.168.1.99"));
    QCOMPARE(h.world.socket.sent.size(), std::size_t(3));  // start-up scan, reset, rescan
}

void TestScanFlow::applyReplies() {
    Harness h(kFactoryArgs);
    QVERIFY(h.waitStartupScan());
    h.pushControllers(2);
    const std::size_t sentBefore = h.world.socket.sent.size();
    // Each reply is the answer of the first row's controller to an apply.
    const std::string target = macOf(0);
    auto applyAndAnswer = [&](std::string_view text, std::uint8_t result, std::uint8_t status,
                              std::uint8_t oem, std::uint8_t code = 19) {
        h.clickRow(0);
        QVERIFY(h.press(IDC_APPLY));
        h.pushDatagram(
            kestrel::testing::applyReplyDatagram(text, result, status, oem, code, target));
    };

    QString markWhileOpen, lineWhileOpen;
    h.world.prompts.whileOpen = [&](const Prompt&) {
        markWhileOpen = h.text(IDC_APPLY_MARK);
        lineWhileOpen = h.text(IDC_APPLY_RESULT);
    };
    applyAndAnswer("00:1a:2b:3c:4d:5e", 2, 2, 2);
    QCOMPARE(h.world.prompts.texts(), std::vector<std::string>{"OK"});
    QVERIFY(h.world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
    QCOMPARE(markWhileOpen, QString());  // new texts only after the box
    QCOMPARE(lineWhileOpen, QString("Apply result information .........."));
    QCOMPARE(h.text(IDC_APPLY_RESULT), QString("Apply [MARLO #1 - 00:1a:2b:3c:4d:5e]"));
    QCOMPARE(h.text(IDC_APPLY_MARK), QString("[OK]"));

    applyAndAnswer("bad", 2, 0, 9, 21);
    QCOMPARE(h.world.prompts.shown.back().text, std::string("Failed !"));
    QCOMPARE(h.text(IDC_APPLY_RESULT), QString("Apply [ - bad]"));
    QCOMPARE(h.text(IDC_APPLY_MARK), QString("[Failed !]"));

    applyAndAnswer("x", 5, 2, 1, 20);
    QCOMPARE(h.world.prompts.shown.back().text,
             std::string("The UserID or Password you typed do not match."));
    QVERIFY(h.world.prompts.shown.back().icon == kestrel::PromptIcon::Information);
    QCOMPARE(h.text(IDC_APPLY_MARK), QString("[Failed !]"));

    const std::size_t boxes = h.world.prompts.shown.size();
    for (int silent : {3, 4, 7}) applyAndAnswer("x", static_cast<std::uint8_t>(silent), 2, 1);
    QCOMPARE(h.world.prompts.shown.size(), boxes);

    // No rescan and the rows stay: the six applies were all that was sent.
    const auto sent = h.sentSince(sentBefore);
    QCOMPARE(sent.size(), std::size_t(6));
    for (const SentDatagram& apply : sent) QCOMPARE(apply.bytes.size(), std::size_t(162));
    QCOMPARE(h.window->deviceModel().rowCount(), 2);
    QCOMPARE(h.window->ignoredAnswers(), std::size_t(0));
}

void TestScanFlow::adapterSwitchRestartsCaptureAndKeepsRows() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    h.pushControllers(2);
    const int stops = h.world.capture.stops;
    auto* selector = qobject_cast<QComboBox*>(h.control(IDC_ADAPTER));
    QCOMPARE(selector->count(), 2);
    QCOMPARE(selector->itemText(1), QString("eth-test1"));
    selector->setCurrentIndex(1);
    QCOMPARE(h.world.capture.stops, stops + 1);
    QCOMPARE(h.world.capture.startedOn.back(), std::string("10.0.0.5"));
    QCOMPARE(h.world.socket.boundTo.back(), std::string("10.0.0.5"));
    QVERIFY(h.world.socket.closes >= 1);
    QCOMPARE(h.window->deviceModel().rowCount(), 2);
    QCOMPARE(h.world.socket.sent.size(), std::size_t(1));  // no scan of its own
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    QCOMPARE(h.world.socket.sent.back().ip, std::string("10.0.0.255"));
    QCOMPARE(h.world.socket.sent.back().bytes, expectedScanRequest("00:aa:bb:cc:dd:ee"));
    // Replies through the new capture arrive as before.
    h.pushControllers(1);
    QCOMPARE(h.window->deviceModel().rowCount(), 1);
}

void TestScanFlow::noAdapterSaysSoOnceAndSendsNothing() {
    // Only adapters that the rules drop.
    Harness h(kNormalArgs, {{"VirtualBox Host-Only", "192.168.56.1", {0, 1, 2, 3, 4, 5}, "vb0"},
                            {"eth-none", "0.0.0.0", {0, 1, 2, 3, 4, 6}, "e0"}});
    QCOMPARE(h.world.prompts.texts(), std::vector<std::string>{"Check your network connection !"});
    QVERIFY(h.world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
    QTest::qWait(1300);
    QVERIFY(h.world.socket.sent.empty());
    QVERIFY(h.world.capture.startedOn.empty());
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    QVERIFY(h.world.socket.sent.empty());
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
    QVERIFY(h.world.desktop.exitCodes.empty());
    QVERIFY(h.window->isVisible());
}

void TestScanFlow::captureErrorShowsOneBoxAndWindowStaysUsable() {
    FakeWorld world;
    world.capture.startError = kestrel::CaptureError{kestrel::CaptureError::Kind::OpenFailed,
                                                     "eth-test0: permission denied"};
    Dlg window(world.seams(), kNormalArgs);
    window.show();
    QCOMPARE(world.prompts.texts(), std::vector<std::string>{"eth-test0: permission denied"});
    QVERIFY(world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
    QVERIFY(world.desktop.exitCodes.empty());
    QTRY_COMPARE_WITH_TIMEOUT(world.socket.sent.size(), std::size_t(1), 3000);  // still scans
    QTest::mouseClick(findControl(window, kMainWindowControls, IDC_SCAN), Qt::LeftButton);
    QCOMPARE(world.socket.sent.size(), std::size_t(2));
    QCOMPARE(world.prompts.shown.size(), std::size_t(1));

    world.capture.startError = kestrel::CaptureError{kestrel::CaptureError::Kind::NoDevice,
                                                     "no capture device has 10.0.0.5"};
    qobject_cast<QComboBox*>(findControl(window, kMainWindowControls, IDC_ADAPTER))
        ->setCurrentIndex(1);
    QCOMPARE(world.prompts.shown.size(), std::size_t(2));
    QVERIFY(window.isVisible());
}

void TestScanFlow::socketReceiverWarnsOncePerReason() {
    using kestrel::Receiver;
    auto socketFor = [](const std::string& why) {
        return kestrel::ReceiverReport{
            Receiver::Socket,
            {{Receiver::Helper, {kestrel::CaptureError::Kind::HelperNotAllowed, why}}},
            why};
    };
    FakeWorld world;
    world.capture.receiver = socketFor("not in the group fendrix");
    Dlg window(world.seams(), kNormalArgs);
    auto* selector =
        qobject_cast<QComboBox*>(findControl(window, kMainWindowControls, IDC_ADAPTER));
    // The same reason on the next adapter is not news; another reason is.
    selector->setCurrentIndex(1);
    world.capture.receiver = socketFor("device down");
    selector->setCurrentIndex(0);
    // A capture that runs says nothing.
    world.capture.receiver = kestrel::ReceiverReport{Receiver::Helper, {}, std::nullopt};
    selector->setCurrentIndex(1);
    QCOMPARE(
        world.prompts.texts(),
        (std::vector<std::string>{
            "Capture is unavailable: " + kestrel::socketReceiverText("not in the group fendrix"),
            "Capture is unavailable: " + kestrel::socketReceiverText("device down")}));
    QVERIFY(world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
    QVERIFY(world.desktop.exitCodes.empty());
    QCOMPARE(world.capture.startedOn.size(), std::size_t(4));
}

void TestScanFlow::captureListFailureAndRefusedBindEndTheProcess() {
    {
        FakeWorld world;
        world.capture.startError =
            kestrel::CaptureError{kestrel::CaptureError::Kind::ListFailed, "x"};
        Dlg window(world.seams(), kNormalArgs);
        QCOMPARE(world.desktop.exitCodes, std::vector<int>{1});
        QVERIFY(world.prompts.shown.empty());
    }
    {
        FakeWorld world;
        world.socket.bindSucceeds = false;
        Dlg window(world.seams(), kNormalArgs);
        QCOMPARE(world.desktop.exitCodes, std::vector<int>{1});
        QVERIFY(world.capture.startedOn.empty());
    }
}

void TestScanFlow::refusedBroadcastOptionWritesTheSocketLayersLines() {
    FakeWorld world;
    world.socket.openSucceeds = false;
    world.socket.openDiagnostic = "setsockopt error: Permission denied";
    StreamCapture out(stdout);
    StreamCapture err(stderr);
    { Dlg window(world.seams(), kNormalArgs); }
    const std::string errors = err.take();
    const std::string output = out.take();
    // The socket stays closed, so the bind that follows fails and ends the process.
    QVERIFY2(errors.find("setsockopt error: Permission denied\n") != std::string::npos,
             errors.c_str());
    QCOMPARE(output, std::string("bind() 실행 에러\n"));
    QCOMPARE(world.desktop.exitCodes, std::vector<int>{1});
}

QTEST_MAIN(TestScanFlow)
#include "tst_scan_flow.moc"
