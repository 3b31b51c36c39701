// The IP address entry: what it accepts, what it reads back, how typing moves.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QtTest>

#include "ui/IpAddressEdit.h"

using fendrix::IpAddressEdit;

namespace {
// Types as a user would: each key goes to whichever widget has focus now.
void typeIntoFocus(const QString& keys) {
    for (QChar c : keys) QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}
}  // namespace

class TestIpAddressEdit : public QObject {
    Q_OBJECT
private slots:
    void setAddressAcceptsOnlyFourDottedNumbers_data();
    void setAddressAcceptsOnlyFourDottedNumbers();
    void blankFieldsReadZeroDisabledReadsLikeEnabled();
    void typingMovesBetweenFieldsAndRefusesOver255();
    void pastedAddressFillsAllFields();
};

void TestIpAddressEdit::setAddressAcceptsOnlyFourDottedNumbers_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("text");  // empty: the control stays blank
    QTest::newRow("plain") << "192.168.0.10"
                           << "192.168.0.10";
    QTest::newRow("leading zeros") << "010.001.000.009"
                                   << "10.1.0.9";
    QTest::newRow("256") << "192.168.0.256"
                         << "";
    QTest::newRow("three parts") << "192.168.0"
                                 << "";
    QTest::newRow("empty part") << "1..3.4"
                                << "";
    QTest::newRow("trailing text") << "1.2.3.4x"
                                   << "";
    QTest::newRow("sign") << "+1.2.3.4"
                          << "";
    QTest::newRow("blank around") << " 1.2.3.4"
                                  << "";
    QTest::newRow("ipv6") << "fe80::1"
                          << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestIpAddressEdit::setAddressAcceptsOnlyFourDottedNumbers() {
    QFETCH(QString, input);
    QFETCH(QString, text);
    IpAddressEdit edit;
    edit.setAddress(QStringLiteral("9.9.9.9"));  // a refused text must not leave old fields behind
    edit.setAddress(input);
    QCOMPARE(edit.isBlank(), text.isEmpty());
    QCOMPARE(edit.text(), text.isEmpty() ? QStringLiteral("0.0.0.0") : text);
}

void TestIpAddressEdit::blankFieldsReadZeroDisabledReadsLikeEnabled() {
    IpAddressEdit edit;
    QVERIFY(edit.isBlank());
    QCOMPARE(edit.text(), QStringLiteral("0.0.0.0"));
    edit.field(1)->setText(QStringLiteral("7"));
    edit.setEnabled(false);
    QVERIFY(!edit.isBlank());
    QCOMPARE(edit.text(), QStringLiteral("0.7.0.0"));
    edit.clear();
    QVERIFY(edit.isBlank());
}

void TestIpAddressEdit::typingMovesBetweenFieldsAndRefusesOver255() {
    IpAddressEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    edit.setFocus();
    // Three digits move on by themselves; '.' moves on after fewer.
    typeIntoFocus(QStringLiteral("192168.7.20"));
    QCOMPARE(edit.text(), QStringLiteral("192.168.7.20"));

    edit.clear();
    edit.field(0)->setFocus();
    QTest::keyClicks(edit.field(0), QStringLiteral("300"));
    QCOMPARE(edit.field(0)->text(), QStringLiteral("30"));
    QTest::keyClicks(edit.field(0), QStringLiteral("a-"));
    QCOMPARE(edit.field(0)->text(), QStringLiteral("30"));
    // '.' in an empty field stays put rather than skipping a field.
    edit.clear();
    edit.field(0)->setFocus();
    QTest::keyClick(edit.field(0), Qt::Key_Period);
    QVERIFY(edit.field(0)->hasFocus());
}

void TestIpAddressEdit::pastedAddressFillsAllFields() {
    IpAddressEdit edit;
    edit.show();
    QVERIFY(QTest::qWaitForWindowExposed(&edit));
    QApplication::clipboard()->setText(QStringLiteral(" 172.16.4.1\n"));
    if (QApplication::clipboard()->text() != QStringLiteral(" 172.16.4.1\n"))
        QSKIP("no clipboard on this platform");
    edit.field(2)->setFocus();
    QTest::keySequence(edit.field(2), QKeySequence::Paste);
    QCOMPARE(edit.text(), QStringLiteral("172.16.4.1"));
}

QTEST_MAIN(TestIpAddressEdit)
#include "tst_ip_address_edit.moc"
