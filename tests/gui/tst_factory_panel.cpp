// The factory panel's Apply (MAC rule, request bytes, addressing, Enter) and
// the device-command buttons' sends.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "WindowHarness.h"
#include "stream_capture.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

using namespace fendrix;
using namespace fendrix::testing;
using kestrel::testing::ScanReplySample;
using Dlg = CKestrelInstallerDlg;

namespace {
std::string text(const std::vector<std::uint8_t>& b, std::size_t at, std::size_t width) {
    std::string out;
    for (std::size_t i = at; i < at + width && b[i] != 0; ++i) out += static_cast<char>(b[i]);
    return out;
}
bool zeros(const std::vector<std::uint8_t>& b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i <= to; ++i)
        if (b[i] != 0) return false;
    return true;
}

struct PanelHarness : Harness {
    explicit PanelHarness(const QStringList& args = kFactoryArgs) : Harness(args) {
        QVERIFY(waitStartupScan());
        near.sender = "00:1A:2B:3C:4D:5E";  // upper case on the wire
        near.ip = "192.168.1.50";
        far.sender = "00:1a:2b:3c:4d:60";
        far.ip = "169.254.3.4";
        pushScanReply(near);
        pushScanReply(far);
        sentBefore = world.socket.sent.size();
    }
    // Scan empties the list and scans again; the controllers answer in the
    // order given.
    void rescan(std::initializer_list<ScanReplySample> answers) {
        press(IDC_SCAN);
        for (const ScanReplySample& answer : answers) pushScanReply(answer);
        world.prompts.shown.clear();
        sentBefore = world.socket.sent.size();
    }
    QLineEdit* mac() const { return control<QLineEdit>(IDC_MAC); }
    QComboBox* oem() const { return control<QComboBox>(IDC_OEM); }
    void apply(const QString& typed, int oemPosition = 0) {
        oem()->setCurrentIndex(oemPosition);
        mac()->setText(typed);
        QTest::mouseClick(control(IDC_APPLY), Qt::LeftButton);
    }
    std::vector<SentDatagram> newSends() const { return sentSince(sentBefore); }
    ScanReplySample near;
    ScanReplySample far;
    std::size_t sentBefore = 0;
};
}  // namespace

class TestFactoryPanel : public QObject {
    Q_OBJECT
private slots:
    void macTexts_data();
    void macTexts();
    void zantRequestBytes();
    void emptyMacSendsTheBrandAlone();
    void controllerInAnotherSubnetIsReachedByBroadcast();
    void shortUnicastWritesItsLine();
    void applyWithoutARowStillEmptiesTheEntry();
    void applyWritesOnlyToTheControllerClicked_data();
    void applyWritesOnlyToTheControllerClicked();
    void enterRunsApplyWhateverHasTheFocus();
    void deviceCommandSends();
    void deviceCommandButtonsNeedASelectionMark();
};

void TestFactoryPanel::macTexts_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("sent");  // "-" for a rejection
    QTest::newRow("spaces") << " 00 1a 2b 3c 4d 5e "
                            << "00:1a:2b:3c:4d:5e";
    QTest::newRow("colons kept as typed") << "00:1A:2B:3C:4D:5E"
                                          << "00:1A:2B:3C:4D:5E";
    QTest::newRow("hyphen at 14") << "00:1A:2B:3C:4D-5E"
                                  << "-";
    QTest::newRow("prefix and colons") << "AB12-00:1A:2B:3C:4D:5E"
                                       << "00:1A:2B:3C:4D:5E";
    QTest::newRow("full stops") << "00.1A.2B.3C.4D.5E"
                                << "-";
    QTest::newRow("tab kept, so no hexadecimal pair") << "00:1A:2B:3C:4D:5\t"
                                                      << "-";
    QTest::newRow("not hexadecimal") << "zz:zz:zz:zz:zz:zz"
                                     << "-";
    QTest::newRow("outside Latin-1") << QString("00:1A:2B:3C:4D:5") + QChar(0x20AC) << "-";
}

void TestFactoryPanel::macTexts() {
    QFETCH(QString, typed);
    QFETCH(QString, sent);
    PanelHarness h;
    h.clickRow(0);
    h.apply(typed);
    if (sent == "-") {
        QCOMPARE(h.world.prompts.texts(),
                 std::vector<std::string>{"Enter your Mac address correctly !"});
        QVERIFY(h.world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
        QCOMPARE(h.mac()->text(), typed);  // kept for correction
        QVERIFY(h.newSends().empty());
        return;
    }
    QVERIFY(h.world.prompts.shown.empty());
    QCOMPARE(h.mac()->text(), QString());
    const auto sends = h.newSends();
    QCOMPARE(sends.size(), std::size_t(1));
    QCOMPARE(text(sends[0].bytes, 142, 20), sent.toStdString());
}

void TestFactoryPanel::zantRequestBytes() {
    PanelHarness h;
    h.clickRow(0);
    h.apply("0a0b0c0d0e0f", 6);
    const auto sends = h.newSends();
    QCOMPARE(sends.size(), std::size_t(1));
    const auto& b = sends[0].bytes;
    QCOMPARE(sends[0].ip, std::string("192.168.1.50"));  // same subnet: unicast
    QCOMPARE(sends[0].port, std::uint16_t(8901));
    QCOMPARE(b.size(), std::size_t(162));
    QCOMPARE(text(b, 0, 7), std::string("kestrel"));
    QCOMPARE(int(b[9]), 5);
    QCOMPARE(text(b, 12, 20), std::string("00:11:22:33:44:55"));
    QCOMPARE(text(b, 32, 20), std::string("00:1a:2b:3c:4d:5e"));  // the row's MAC, lower case
    QVERIFY(zeros(b, 52, 71));
    QCOMPARE(text(b, 72, 20), std::string("192.168.1.50"));
    QCOMPARE(text(b, 92, 4), std::string("ZANT"));
    QVERIFY(zeros(b, 96, 141));
    QCOMPARE(std::string(b.begin() + 142, b.begin() + 159), std::string("0a:0b:0c:0d:0e:0f"));
    QVERIFY(zeros(b, 159, 161));
}

void TestFactoryPanel::emptyMacSendsTheBrandAlone() {
    PanelHarness h;
    h.clickRow(0);
    h.apply("", 2);
    const auto sends = h.newSends();
    QCOMPARE(sends.size(), std::size_t(1));
    QCOMPARE(text(sends[0].bytes, 92, 50), std::string("MARLO2"));
    QVERIFY(zeros(sends[0].bytes, 142, 161));
    // The brand stays chosen for the next apply.
    QCOMPARE(h.oem()->currentIndex(), 2);
}

void TestFactoryPanel::controllerInAnotherSubnetIsReachedByBroadcast() {
    PanelHarness h;
    h.clickRow(1);
    h.apply("001A2B3C4D5E", 0);
    const auto sends = h.newSends();
    QCOMPARE(sends.size(), std::size_t(1));
    QCOMPARE(sends[0].ip, std::string("192.168.1.255"));
    QCOMPARE(text(sends[0].bytes, 72, 20), std::string("169.254.3.4"));
    QCOMPARE(text(sends[0].bytes, 92, 50), std::string("KESTREL"));
}

void TestFactoryPanel::shortUnicastWritesItsLine() {
    PanelHarness h;
    h.world.socket.sendAnswer = 100;  // fewer bytes than the 162 asked for
    StreamCapture out(stdout);
    h.clickRow(0);
    h.apply("001A2B3C4D5E");  // unicast to 192.168.1.50
    h.clickRow(1);
    h.apply("001A2B3C4D5E");  // broadcast: its outcome is not examined
    const std::string output = out.take();
    QCOMPARE(output, std::string("#### Error: Send Scan Done! -2 ####\n"));
    QCOMPARE(h.newSends().size(), std::size_t(2));
}

void TestFactoryPanel::applyWithoutARowStillEmptiesTheEntry() {
    PanelHarness h;
    h.apply("001A2B3C4D5E");
    QCOMPARE(h.world.prompts.texts(),
             std::vector<std::string>{"Please select the equipment and run it."});
    QCOMPARE(h.mac()->text(), QString());
    QVERIFY(h.newSends().empty());
    // A click below the rows is no row either; nor is a row a scan took away.
    h.clickRow(1);
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    h.sentBefore = h.world.socket.sent.size();
    h.apply("001A2B3C4D5E");
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(2));
    QVERIFY(h.newSends().empty());
}

void TestFactoryPanel::applyWritesOnlyToTheControllerClicked_data() {
    // What a rescan puts at the clicked index (row 1, the controller
    // 00:1a:2b:3c:4d:60 at 169.254.3.4); "-" for the same as the click saw.
    QTest::addColumn<QString>("mac");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<bool>("sent");
    QTest::newRow("the clicked controller") << "-"
                                            << "-" << true;
    QTest::newRow("the clicked controller, MAC in capitals") << "00:1A:2B:3C:4D:60"
                                                             << "-" << true;
    QTest::newRow("another controller") << "00:1a:2b:3c:4d:5e"
                                        << "192.168.1.50" << false;
    QTest::newRow("another controller at the clicked IP") << "00:1a:2b:3c:4d:61"
                                                          << "-" << false;
    QTest::newRow("the clicked controller at another IP") << "-"
                                                          << "169.254.3.5" << false;
}

void TestFactoryPanel::applyWritesOnlyToTheControllerClicked() {
    QFETCH(QString, mac);
    QFETCH(QString, ip);
    QFETCH(bool, sent);
    PanelHarness h;
    h.clickRow(1);
    ScanReplySample atClicked = h.far;
    if (mac != "-") atClicked.sender = mac.toStdString();
    if (ip != "-") atClicked.ip = ip.toStdString();
    ScanReplySample first = h.near;
    first.sender = "00:1a:2b:3c:4d:70";  // row 0 is a third controller
    h.rescan({first, atClicked});
    h.apply("001A2B3C4D5E");
    QCOMPARE(h.mac()->text(), QString());
    const auto sends = h.newSends();
    if (!sent) {
        QCOMPARE(h.world.prompts.texts(),
                 std::vector<std::string>{"Please select the equipment and run it."});
        QVERIFY(sends.empty());
        return;
    }
    QVERIFY(h.world.prompts.shown.empty());
    QCOMPARE(sends.size(), std::size_t(1));
    QCOMPARE(text(sends[0].bytes, 32, 20), std::string("00:1a:2b:3c:4d:60"));
    QCOMPARE(text(sends[0].bytes, 72, 20), std::string("169.254.3.4"));
}

void TestFactoryPanel::enterRunsApplyWhateverHasTheFocus() {
    {
        PanelHarness h;
        h.clickRow(0);
        int expected = 0;
        for (int id : {IDC_MAC, IDC_DEVICE_LIST, IDC_SCAN, IDC_OEM, IDC_APPLY}) {
            h.mac()->setText("001A2B3C4D5E");
            QWidget* target = h.control(id);
            target->setFocus();
            QTest::keyClick(target, id % 2 ? Qt::Key_Enter : Qt::Key_Return);
            ++expected;
            QCOMPARE(h.newSends().size(), std::size_t(expected));
            QCOMPARE(h.mac()->text(), QString());
        }
        // Alt+Enter is a system key: it takes the default path and applies nothing.
        h.mac()->setText("001A2B3C4D5E");
        QTest::keyClick(h.mac(), Qt::Key_Return, Qt::AltModifier);
        QCOMPARE(h.newSends().size(), std::size_t(expected));
        QVERIFY(h.window->isVisible());
    }
    PanelHarness normal(kNormalArgs);
    normal.clickRow(0);
    normal.window->deviceList()->setFocus();
    QTest::keyClick(normal.window->deviceList(), Qt::Key_Return);
    QVERIFY(normal.newSends().empty());
    QVERIFY(normal.world.prompts.shown.empty());
}

void TestFactoryPanel::deviceCommandSends() {
    PanelHarness h(kNormalArgs);
    kestrel::NetworkChangeValues v;
    v.target_mac = "00:1a:2b:3c:4d:5e";
    v.current_ip = "192.168.1.50";
    v.is_static = true;
    v.new_ip = "192.168.2.9";
    h.window->sendNetworkChange(v);
    v.current_ip = "169.254.3.4";
    h.window->sendNetworkChange(v);
    h.window->sendFactoryReset("00:1a:2b:3c:4d:5e", "192.168.1.50", "admin", "pw");
    const auto sends = h.newSends();
    QCOMPARE(sends.size(), std::size_t(3));
    QCOMPARE(sends[0].ip, std::string("192.168.1.50"));  // the address the scan saw
    QCOMPARE(sends[0].bytes.size(), std::size_t(318));
    QCOMPARE(int(sends[0].bytes[9]), 2);
    QCOMPARE(sends[1].ip, std::string("192.168.1.255"));
    QCOMPARE(sends[2].bytes.size(), std::size_t(192));
    QCOMPARE(int(sends[2].bytes[9]), 3);
    QCOMPARE(sends[2].ip, std::string("192.168.1.50"));
    QVERIFY(h.world.desktop.exitCodes.empty());

    // Without an adapter: the reset sends nothing and goes on; the network
    // change ends the process.
    Harness none(kNormalArgs, std::vector<kestrel::SystemAdapter>{});
    none.world.prompts.shown.clear();
    none.window->sendFactoryReset("00:1a:2b:3c:4d:5e", "192.168.1.50", "a", "b");
    QCOMPARE(none.world.prompts.texts(),
             std::vector<std::string>{"Check your network connection !"});
    QVERIFY(none.world.desktop.exitCodes.empty());
    none.window->sendNetworkChange(v);
    QCOMPARE(none.world.desktop.exitCodes, std::vector<int>{1});
    QVERIFY(none.world.socket.sent.empty());
}

void TestFactoryPanel::deviceCommandButtonsNeedASelectionMark() {
    PanelHarness h(kNormalArgs);
    QStringList opened;
    auto close = [&](QDialog& dialog) {
        opened << dialog.metaObject()->className();
        dialog.close();
    };
    using Run = WindowDriver::DialogRun;
    QVERIFY(h.workDialog(IDC_NETWORK_CHANGE, close) == Run::NoneOpened);
    QVERIFY(h.workDialog(IDC_FACTORY_RESET, close) == Run::NoneOpened);
    QVERIFY(opened.isEmpty());

    h.clickRow(0);
    QVERIFY(h.workDialog(IDC_NETWORK_CHANGE, close) == Run::Worked);
    QVERIFY(h.workDialog(IDC_FACTORY_RESET, close) == Run::Worked);
    QCOMPARE(opened, (QStringList{"fendrix::CIPSetDialog", "fendrix::CFactoryReset"}));
    QVERIFY(h.newSends().empty());  // closed without sending
}

QTEST_MAIN(TestFactoryPanel)
#include "tst_factory_panel.moc"
