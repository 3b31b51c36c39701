// A capture whose loop dies by itself (link deleted, device down): one
// warning on the GUI thread, the window stays; a stop the window asked for,
// or a report that arrives after the capture was replaced, shows nothing.
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QThread>

#include "WindowHarness.h"
#include "ui/DeviceListModel.h"

using namespace fendrix;
using namespace fendrix::testing;
using Dlg = CKestrelInstallerDlg;

namespace {
const std::string kLost =
    "The capture stopped: The interface went down (adapter eth-test0, device veth0). "
    "Replies are no longer received.";
}

class TestCaptureLoss : public QObject {
    Q_OBJECT
private slots:
    void lossShowsOneWarningAfterEarlierRows();
    void lossReportedAfterAdapterSwitchIsDropped();
    void requestedStopsShowNothing();
    void lossPendingWhileWindowClosesShowsNothing();
};

void TestCaptureLoss::lossShowsOneWarningAfterEarlierRows() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    // Queued, not yet drained: they must be listed before the box opens.
    for (int i = 0; i < 3; ++i) {
        kestrel::testing::ScanReplySample sample;
        sample.sender = "00:1a:2b:3c:4d:0" + std::to_string(i);
        sample.ip = "192.168.1." + std::to_string(60 + i);
        h.world.capture.push(
            kestrel::testing::udpFrame(kestrel::testing::scanReplyPayload(sample)));
    }
    int rowsWhenShown = -1;
    Qt::HANDLE shownOn = nullptr;
    h.world.prompts.whileOpen = [&](const Prompt&) {
        rowsWhenShown = h.window->deviceModel().rowCount();
        shownOn = QThread::currentThreadId();
    };
    QVERIFY(h.world.capture.failLoop(kLost));
    QVERIFY(h.world.prompts.shown.empty());  // handed over, not shown on the worker
    Harness::settle();

    QCOMPARE(h.world.prompts.texts(), std::vector<std::string>{kLost});
    QVERIFY(h.world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
    QCOMPARE(rowsWhenShown, 3);
    QCOMPARE(shownOn, QThread::currentThreadId());
    QVERIFY(h.world.desktop.exitCodes.empty());

    // Still usable: Scan broadcasts, the selector restarts a capture that
    // delivers again, and no second box ever follows.
    const auto sentBefore = h.world.socket.sent.size();
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    QCOMPARE(h.world.socket.sent.size(), sentBefore + 1);
    qobject_cast<QComboBox*>(h.control(IDC_ADAPTER))->setCurrentIndex(1);
    QCOMPARE(h.world.capture.startedOn.back(), std::string("10.0.0.5"));
    h.pushControllers(2);
    QCOMPARE(h.window->deviceModel().rowCount(), 2);
    QTest::qWait(50);
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
}

void TestCaptureLoss::lossReportedAfterAdapterSwitchIsDropped() {
    Harness h;
    // The old worker reported its loss, but the user switched before the
    // report was handled: the new capture is fine, so nothing is shown.
    QVERIFY(h.world.capture.failLoop(kLost));
    qobject_cast<QComboBox*>(h.control(IDC_ADAPTER))->setCurrentIndex(1);
    Harness::settle();
    QVERIFY(h.world.prompts.shown.empty());

    // The new capture's own loss is reported.
    QVERIFY(h.world.capture.failLoop("lost on eth-test1"));
    Harness::settle();
    QCOMPARE(h.world.prompts.texts(), std::vector<std::string>{"lost on eth-test1"});
}

void TestCaptureLoss::requestedStopsShowNothing() {
    Harness h;
    auto* selector = qobject_cast<QComboBox*>(h.control(IDC_ADAPTER));
    selector->setCurrentIndex(1);
    selector->setCurrentIndex(0);
    Harness::settle();
    QCOMPARE(h.world.capture.stops, 2);
    h.window->close();
    Harness::settle();
    QVERIFY(h.world.prompts.shown.empty());
}

void TestCaptureLoss::lossPendingWhileWindowClosesShowsNothing() {
    {
        Harness h;
        QVERIFY(h.world.capture.failLoop(kLost));
        h.window->close();  // the report is still queued
        Harness::settle();
        QVERIFY(h.world.prompts.shown.empty());
    }
    // Destroyed with the report still queued: it must not reach a dead window.
    FakeWorld world;
    {
        Dlg window(world.seams(), kNormalArgs);
        QVERIFY(world.capture.failLoop(kLost));
    }
    Harness::settle();
    QVERIFY(world.prompts.shown.empty());
}

QTEST_MAIN(TestCaptureLoss)
#include "tst_capture_loss.moc"
