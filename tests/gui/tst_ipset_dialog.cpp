// The network settings dialog: pre-fill and enable rules, what it hands to
// send, and where those values land in the request.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <optional>
#include <vector>

#include "ControlTable.h"
#include "commands/network_change_request.h"
#include "ui/CIPSetDialog.h"
#include "ui/IpAddressEdit.h"
#include "wire/byte_io.h"

using fendrix::CIPSetDialog;
using fendrix::IpAddressEdit;
using kestrel::NetworkChangeValues;

namespace {

kestrel::DeviceRecord staticRecord() {
    kestrel::DeviceRecord r;
    r.mac = "00:1A:2B:CC:DD:EE";
    r.ip_type = 1;
    r.ip = "192.168.0.10";
    r.subnet_mask = "255.255.255.0";
    r.gateway = "192.168.0.1";
    r.server_ip = "192.168.0.200";
    r.dns1 = "8.8.8.8";
    r.dns2 = "8.8.4.4";
    r.https_enabled = 1;
    r.http_port = 80;
    r.https_port = 443;
    return r;
}

// The dialog under test with a send that records what it is given.
struct Harness {
    std::vector<NetworkChangeValues> sent;
    CIPSetDialog dialog;

    explicit Harness(const kestrel::DeviceRecord& record)
        : dialog(record, [this](const NetworkChangeValues& v) { sent.push_back(v); }) {}

    template <typename W>
    W* get(int id) {
        auto* w = fendrix::testing::findControl<W>(dialog,
                                                   fendrix::testing::kNetworkSettingsControls, id);
        if (!w) qFatal("control %d missing", id);
        return w;
    }
    IpAddressEdit* ip(int id) { return get<IpAddressEdit>(id); }
    QLineEdit* edit(int id) { return get<QLineEdit>(id); }
    void clickOk() { QTest::mouseClick(get<QPushButton>(1), Qt::LeftButton); }
};

const int kFiveAddressIds[] = {1015, 1016, 1017, 1021, 1022};

}  // namespace

class TestIpSetDialog : public QObject {
    Q_OBJECT
private slots:
    void dhcpRecordDisablesFiveButStillSendsThem();
    void staticRecordAndRadioClicks();
    void httpsSwitchesItsPortEdit();
    void emptyAndNonDottedTextsLeaveControlsBlank();
    void portTextsConvert_data();
    void portTextsConvert();
    void sendsExactValuesAddressedByTheKeptRecord();
    void valuesLandAtTheirOffsets();
    void cancelAndEscapeSendNothing();
    void editsStopAt20Characters();
};

void TestIpSetDialog::dhcpRecordDisablesFiveButStillSendsThem() {
    auto record = staticRecord();
    record.ip_type = 0;
    Harness h(record);
    QCOMPARE(h.dialog.windowTitle(), QStringLiteral("Network Settting"));
    QVERIFY(h.get<QPushButton>(1)->isDefault());
    QCOMPARE(h.edit(1026)->echoMode(), QLineEdit::Password);
    QVERIFY(h.get<QRadioButton>(1013)->isChecked());
    QVERIFY(!h.get<QRadioButton>(1014)->isChecked());
    for (int id : kFiveAddressIds)
        QVERIFY2(!h.ip(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(h.ip(1018)->isEnabled());
    QVERIFY(h.edit(1024)->isEnabled());

    h.clickOk();
    QCOMPARE(h.sent.size(), std::size_t{1});
    const auto& v = h.sent[0];
    QVERIFY(!v.is_static);
    QCOMPARE(v.new_ip, std::string("192.168.0.10"));
    QCOMPARE(v.subnet_mask, std::string("255.255.255.0"));
    QCOMPARE(v.gateway, std::string("192.168.0.1"));
    QCOMPARE(v.dns1, std::string("8.8.8.8"));
    QCOMPARE(v.dns2, std::string("8.8.4.4"));
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));
}

void TestIpSetDialog::staticRecordAndRadioClicks() {
    Harness h(staticRecord());
    QVERIFY(h.get<QRadioButton>(1014)->isChecked());
    for (int id : kFiveAddressIds) QVERIFY2(h.ip(id)->isEnabled(), qPrintable(QString::number(id)));

    QTest::mouseClick(h.get<QRadioButton>(1013), Qt::LeftButton);
    QVERIFY(!h.get<QRadioButton>(1014)->isChecked());
    for (int id : kFiveAddressIds)
        QVERIFY2(!h.ip(id)->isEnabled(), qPrintable(QString::number(id)));
    QVERIFY(h.ip(1018)->isEnabled());

    QTest::mouseClick(h.get<QRadioButton>(1014), Qt::LeftButton);
    QVERIFY(!h.get<QRadioButton>(1013)->isChecked());
    for (int id : kFiveAddressIds) QVERIFY2(h.ip(id)->isEnabled(), qPrintable(QString::number(id)));
    h.clickOk();
    QVERIFY(h.sent.at(0).is_static);
}

void TestIpSetDialog::httpsSwitchesItsPortEdit() {
    Harness on(staticRecord());
    QVERIFY(on.get<QCheckBox>(1023)->isChecked());
    QVERIFY(on.edit(1025)->isEnabled());
    QTest::mouseClick(on.get<QCheckBox>(1023), Qt::LeftButton);
    QVERIFY(!on.edit(1025)->isEnabled());
    QVERIFY(on.edit(1024)->isEnabled());

    // Only exactly 1 means on; the greyed port is still sent.
    auto record = staticRecord();
    record.https_enabled = 2;
    record.https_port = 8443;
    Harness off(record);
    QVERIFY(!off.get<QCheckBox>(1023)->isChecked());
    QVERIFY(!off.edit(1025)->isEnabled());
    off.clickOk();
    QVERIFY(!off.sent.at(0).https);
    QCOMPARE(off.sent[0].https_port, std::uint16_t{8443});
}

void TestIpSetDialog::emptyAndNonDottedTextsLeaveControlsBlank() {
    auto record = staticRecord();
    record.dns2.clear();
    record.server_ip.clear();
    record.ip = "fe80::1";
    record.gateway = "192.168.0.1 ";
    Harness h(record);
    QVERIFY(h.ip(1022)->isBlank());
    QVERIFY(h.ip(1018)->isBlank());
    QVERIFY(h.ip(1018)->isEnabled());
    QVERIFY(h.ip(1015)->isBlank());
    QVERIFY(h.ip(1017)->isBlank());
    QVERIFY(!h.ip(1021)->isBlank());
    h.clickOk();
    const auto& v = h.sent.at(0);
    QCOMPARE(v.dns2, std::string("0.0.0.0"));
    QCOMPARE(v.server_ip, std::string("0.0.0.0"));
    QCOMPARE(v.new_ip, std::string("0.0.0.0"));
    QCOMPARE(v.gateway, std::string("0.0.0.0"));
    QCOMPARE(v.current_ip, std::string("fe80::1"));  // addressed as the scan saw it
}

void TestIpSetDialog::portTextsConvert_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("port");
    QTest::newRow("443") << "443" << 443;
    QTest::newRow("80ab") << "80ab" << 80;
    QTest::newRow("no digits") << "http" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("70000") << "70000" << 4464;
}

void TestIpSetDialog::portTextsConvert() {
    QFETCH(QString, text);
    QFETCH(int, port);
    Harness h(staticRecord());
    h.edit(1024)->setText(text);
    h.edit(1025)->setText(text);
    h.clickOk();
    QCOMPARE(int(h.sent.at(0).http_port), port);
    QCOMPARE(int(h.sent.at(0).https_port), port);
}

void TestIpSetDialog::sendsExactValuesAddressedByTheKeptRecord() {
    Harness h(staticRecord());
    QCOMPARE(h.edit(1024)->text(), QStringLiteral("80"));
    QCOMPARE(h.edit(1025)->text(), QStringLiteral("443"));
    h.ip(1015)->setAddress(QStringLiteral("10.0.0.5"));
    h.ip(1016)->setAddress(QStringLiteral("255.0.0.0"));
    h.ip(1017)->setAddress(QStringLiteral("10.0.0.1"));
    h.ip(1018)->setAddress(QStringLiteral("10.0.0.9"));
    h.ip(1021)->setAddress(QStringLiteral("1.1.1.1"));
    h.ip(1022)->clear();
    h.edit(1024)->setText(QStringLiteral("8080"));
    QTest::keyClicks(h.edit(1020), QStringLiteral("admin"));
    QTest::keyClicks(h.edit(1026), QStringLiteral("S3cret!"));
    h.clickOk();

    QCOMPARE(h.sent.size(), std::size_t{1});
    const auto& v = h.sent[0];
    QCOMPARE(v.target_mac, std::string("00:1a:2b:cc:dd:ee"));
    QCOMPARE(v.current_ip, std::string("192.168.0.10"));  // not the new address
    QVERIFY(v.is_static && v.https);
    const std::vector<std::string> addresses{v.new_ip, v.subnet_mask, v.gateway,
                                             v.dns1,   v.dns2,        v.server_ip};
    const std::vector<std::string> typed{"10.0.0.5", "255.0.0.0", "10.0.0.1",
                                         "1.1.1.1",  "0.0.0.0",   "10.0.0.9"};
    QCOMPARE(addresses, typed);
    QCOMPARE(v.http_port, std::uint16_t{8080});
    QCOMPARE(v.https_port, std::uint16_t{443});
    QCOMPARE(v.user_id, std::string("admin"));
    QCOMPARE(v.password, std::string("S3cret!"));
}

void TestIpSetDialog::valuesLandAtTheirOffsets() {
    namespace nc = kestrel::network_change;
    auto record = staticRecord();
    record.ip_type = 0;
    record.https_enabled = 0;
    record.dns2.clear();
    record.http_port = 70;
    record.https_port = 0x1BB;
    Harness h(record);
    QTest::keyClicks(h.edit(1020), QStringLiteral("abcdefghijklmnopqrstuvwxyz"));  // kept to 20
    h.clickOk();

    const kestrel::AdapterEntry adapter{"veth-pc", "192.168.0.2", "02:00:00:00:00:01", "veth-pc"};
    const auto bytes = kestrel::buildNetworkChangeRequest(adapter, h.sent.at(0));
    const kestrel::ByteReader r(bytes);
    QCOMPARE(r.text(nc::CurrentIp, nc::IpWidth), std::optional<std::string>("192.168.0.10"));
    QCOMPARE(r.u8(nc::Static), std::optional<std::uint8_t>(0));
    QCOMPARE(r.text(nc::NewIp, nc::IpWidth), std::optional<std::string>("192.168.0.10"));
    QCOMPARE(r.u8(nc::HttpsEnabled), std::optional<std::uint8_t>(0));
    QCOMPARE(r.u16le(nc::HttpPort), std::optional<std::uint16_t>(70));
    QCOMPARE(r.u16le(nc::HttpsPort), std::optional<std::uint16_t>(0x1BB));
    QCOMPARE(r.text(nc::UserId, nc::CredentialWidth),
             std::optional<std::string>("abcdefghijklmnopqrst"));
    for (std::size_t i = nc::UserId + 20; i < nc::Password; ++i) QCOMPARE(int(bytes[i]), 0);
}

void TestIpSetDialog::cancelAndEscapeSendNothing() {
    Harness clicked(staticRecord());
    QTest::mouseClick(clicked.get<QPushButton>(2), Qt::LeftButton);
    QVERIFY(clicked.sent.empty());
    QCOMPARE(clicked.dialog.result(), int(QDialog::Rejected));

    Harness escaped(staticRecord());
    escaped.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&escaped.dialog));
    QTest::keyClick(&escaped.dialog, Qt::Key_Escape);
    QVERIFY(escaped.sent.empty());
    QVERIFY(!escaped.dialog.isVisible());

    // Enter is the default button's: it sends.
    Harness entered(staticRecord());
    entered.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&entered.dialog));
    entered.edit(1026)->setFocus();
    QTest::keyClick(entered.edit(1026), Qt::Key_Return);
    QCOMPARE(entered.sent.size(), std::size_t{1});
}

void TestIpSetDialog::editsStopAt20Characters() {
    Harness h(staticRecord());
    for (int id : {1024, 1025, 1020, 1026}) {
        h.edit(id)->setEnabled(true);
        h.edit(id)->clear();
        QTest::keyClicks(h.edit(id), QString(25, QLatin1Char('7')));
        QCOMPARE(h.edit(id)->text().size(), 20);
    }
}

QTEST_MAIN(TestIpSetDialog)
#include "tst_ipset_dialog.moc"
