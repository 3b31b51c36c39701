// The factory reset dialog: what it hands to send, and what Cancel/Esc/Enter
// do: only a click on "Factory Reset" resets; Enter closes the dialog as a
// plain OK would, never sending.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <optional>
#include <string>
#include <vector>

#include "ControlTable.h"
#include "commands/factory_reset_request.h"
#include "ui/CFactoryReset.h"
#include "wire/byte_io.h"

namespace {

struct Sent {
    std::string mac, ip, user, password;
};

kestrel::DeviceRecord record() {
    kestrel::DeviceRecord r;
    r.mac = "AA:BB:CC:0D:0E:0F";
    r.ip = "10.0.0.5";
    return r;
}

struct Harness {
    std::vector<Sent> sent;
    fendrix::CFactoryReset dialog;

    Harness()
        : dialog(record(), [this](const std::string& mac, const std::string& ip,
                                  const std::string& user, const std::string& password) {
              sent.push_back({mac, ip, user, password});
          }) {}

    QLineEdit* edit(int id) {
        return fendrix::testing::findControl<QLineEdit>(
            dialog, fendrix::testing::kFactoryResetControls, id);
    }
    QPushButton* button(int id) {
        return fendrix::testing::findControl<QPushButton>(
            dialog, fendrix::testing::kFactoryResetControls, id);
    }
};

}  // namespace

class TestFactoryResetDialog : public QObject {
    Q_OBJECT
private slots:
    void emptyTextsAreStillSentLowerCased();
    void typedCredentialsAreSentWhole();
    void cancelEscapeAndEnterSendNothing_data();
    void cancelEscapeAndEnterSendNothing();
};

void TestFactoryResetDialog::emptyTextsAreStillSentLowerCased() {
    Harness h;
    QCOMPARE(h.dialog.windowTitle(), QStringLiteral("Factory Reset"));
    QCOMPARE(h.edit(1035)->echoMode(), QLineEdit::Password);
    QTest::mouseClick(h.button(1008), Qt::LeftButton);
    QCOMPARE(h.sent.size(), std::size_t{1});
    QCOMPARE(h.sent[0].mac, std::string("aa:bb:cc:0d:0e:0f"));
    QCOMPARE(h.sent[0].ip, std::string("10.0.0.5"));
    QVERIFY(h.sent[0].user.empty() && h.sent[0].password.empty());
    QCOMPARE(h.dialog.result(), int(QDialog::Accepted));

    const kestrel::AdapterEntry adapter{"veth-pc", "192.168.0.2", "02:00:00:00:00:01", "veth-pc"};
    const auto bytes = kestrel::buildFactoryResetRequest(adapter, h.sent[0].mac, h.sent[0].ip,
                                                         h.sent[0].user, h.sent[0].password);
    for (std::size_t i = kestrel::factory_reset::UserId; i < bytes.size(); ++i)
        QCOMPARE(int(bytes[i]), 0);
    QCOMPARE(kestrel::ByteReader(bytes).text(kestrel::hdr::Target, kestrel::hdr::TargetWidth),
             std::optional<std::string>("aa:bb:cc:0d:0e:0f"));
}

void TestFactoryResetDialog::typedCredentialsAreSentWhole() {
    Harness h;
    // The edits have no limit of their own; cutting is the request's job.
    const QString longId(60, QLatin1Char('u'));
    QTest::keyClicks(h.edit(1034), longId);
    QTest::keyClicks(h.edit(1035), QStringLiteral("Pa ss"));
    QTest::mouseClick(h.button(1008), Qt::LeftButton);
    QCOMPARE(h.sent.at(0).user, longId.toStdString());
    QCOMPARE(h.sent.at(0).password, std::string("Pa ss"));
}

void TestFactoryResetDialog::cancelEscapeAndEnterSendNothing_data() {
    QTest::addColumn<int>("control");  // the one with the focus
    QTest::addColumn<int>("key");      // 0: a click on the control
    QTest::addColumn<int>("result");
    const int accepted = QDialog::Accepted;
    const int rejected = QDialog::Rejected;
    QTest::newRow("Cancel clicked") << 1009 << 0 << rejected;
    QTest::newRow("Esc") << 1035 << int(Qt::Key_Escape) << rejected;
    QTest::newRow("Enter in the user ID") << 1034 << int(Qt::Key_Return) << accepted;
    QTest::newRow("Enter in the password") << 1035 << int(Qt::Key_Return) << accepted;
    QTest::newRow("keypad Enter in the password") << 1035 << int(Qt::Key_Enter) << accepted;
    QTest::newRow("Enter on Factory Reset") << 1008 << int(Qt::Key_Return) << accepted;
    QTest::newRow("Enter on Cancel") << 1009 << int(Qt::Key_Return) << accepted;
}

void TestFactoryResetDialog::cancelEscapeAndEnterSendNothing() {
    QFETCH(int, control);
    QFETCH(int, key);
    QFETCH(int, result);
    Harness h;
    h.dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&h.dialog));
    QTest::keyClicks(h.edit(1034), QStringLiteral("admin"));
    QTest::keyClicks(h.edit(1035), QStringLiteral("pw"));
    auto* target =
        fendrix::testing::findControl(h.dialog, fendrix::testing::kFactoryResetControls, control);
    QVERIFY(target);
    target->setFocus();
    if (key == 0) QTest::mouseClick(target, Qt::LeftButton);
    else QTest::keyClick(target, static_cast<Qt::Key>(key));
    QVERIFY(h.sent.empty());
    QVERIFY(!h.dialog.isVisible());
    QCOMPARE(h.dialog.result(), result);
    // No button is the default one, nor becomes it with the focus.
    QVERIFY(!h.button(1008)->isDefault() && !h.button(1008)->autoDefault());
    QVERIFY(!h.button(1009)->isDefault() && !h.button(1009)->autoDefault());
}

QTEST_MAIN(TestFactoryResetDialog)
#include "tst_factory_reset_dialog.moc"
