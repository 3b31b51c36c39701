// Mouse, keyboard and clipboard on the device list; the web interface; the
// context menu and the upgrade batch file it writes.
#include <QClipboard>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include "WindowHarness.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

using namespace fendrix;
using namespace fendrix::testing;
using kestrel::testing::ScanReplySample;
using Dlg = CKestrelInstallerDlg;

namespace {
constexpr char kUpgradeFolder[] = "2.Kestrel Old Version(v5.00-01l Previous)/Kestrel_R2_Update";
// The program's path as the system gives it, with the platform's separators,
// in a folder "Tool/Fendrix" under root.
std::string programIn(const QTemporaryDir& root) {
    return QDir::toNativeSeparators(QDir(root.path()).filePath("Tool/Fendrix/fendrix"))
        .toStdString();
}

struct ListHarness : Harness {
    explicit ListHarness(const QStringList& args = kNormalArgs) : Harness(args) {
        QVERIFY(waitStartupScan());
    }
    CDeviceListCtrl* list() const { return window->deviceList(); }
    QString line() const { return text(IDC_SELECTION_LINE); }
    QString status() const { return text(IDC_STATUS); }
    void ctrl(Qt::Key key, QWidget* target) { QTest::keyClick(target, key, Qt::ControlModifier); }
};

// Records the menus the window offers and picks their first entry (or none).
struct MenuProbe {
    QStringList offered;
    int menus = 0;
    bool choose = true;
    void attach(Dlg& window) {
        window.setMenuRunner([this](QMenu& menu, const QPoint&) -> QAction* {
            ++menus;
            for (QAction* a : menu.actions()) offered << a->text();
            return choose ? menu.actions().value(0) : nullptr;
        });
    }
};
}  // namespace

class TestListInteraction : public QObject {
    Q_OBJECT
private slots:
    void clicksSetTheCurrentRowAndLabels();
    void keyboardAndScansLeaveTheCurrentRowAlone();
    void clipboardCopies();
    void clipboardTakesOnlyWhatAMacTextMayHold_data();
    void clipboardTakesOnlyWhatAMacTextMayHold();
    void copiesNeedTheListFocusAndASelection();
    void draggedColumnsChangeNothing();
    void doubleClickOpensThePlainWebInterface();
    void doubleClickIgnoresAddressesThatAreNotCanonicalIPv4();
    void contextMenuOnlyForOldFirmware();
    void upgradeBatchFileIsWrittenBesideTheProgramFolder();
    void upgradeBatchFileFailuresAreReported();
    void hostileAddressesWriteNothing_data();
    void hostileAddressesWriteNothing();
};

void TestListInteraction::clicksSetTheCurrentRowAndLabels() {
    ListHarness h;
    h.pushControllers(3);
    h.clickRow(0);
    QCOMPARE(h.window->currentRow(), 0);
    QCOMPARE(h.line(), QString("[No.1] 00:1A:2B:3C:4D:00 - 192.168.1.50"));
    QCOMPARE(h.status(), QString("OK"));
    h.clickRow(1, Qt::RightButton);
    QCOMPARE(h.window->currentRow(), 1);
    QCOMPARE(h.line(), QString("[No.2] 00:1A:2B:3C:4D:01 - 192.168.1.51"));
    QCOMPARE(h.status(), QString("Failed"));
    h.clickRow(-1);
    QCOMPARE(h.window->currentRow(), -1);
    QCOMPARE(h.line(), QString("Choose your equipment ........"));
    QCOMPARE(h.status(), QString());
    h.clickRow(2);
    h.clickRow(-1, Qt::RightButton);
    QCOMPARE(h.window->currentRow(), -1);
    QCOMPARE(h.line(), QString("Choose your equipment ........"));
}

void TestListInteraction::keyboardAndScansLeaveTheCurrentRowAlone() {
    ListHarness h;
    h.pushControllers(3);
    h.clickRow(1);
    const QString line = h.line();
    h.list()->setFocus();
    QTest::keyClick(h.list(), Qt::Key_Down);
    QCOMPARE(h.list()->firstSelectedRow(), 2);
    QTest::keyClick(h.list(), Qt::Key_Up);
    QTest::keyClick(h.list(), Qt::Key_Up);
    QCOMPARE(h.window->currentRow(), 1);
    QCOMPARE(h.line(), line);
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    QCOMPARE(h.window->deviceModel().rowCount(), 0);
    QCOMPARE(h.window->currentRow(), 1);
    QCOMPARE(h.line(), line);
    QCOMPARE(h.status(), QString("Failed"));
}

void TestListInteraction::clipboardCopies() {
    ListHarness h;
    h.pushControllers(3);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("untouched");
    h.list()->setFocus();
    h.ctrl(Qt::Key_C, h.list());
    h.ctrl(Qt::Key_A, h.list());
    QCOMPARE(clipboard->text(), QString("untouched"));  // nothing selected

    h.clickRow(1);
    h.list()->setFocus();
    h.ctrl(Qt::Key_C, h.list());
    QCOMPARE(clipboard->text(), QString("00:1A:2B:3C:4D:01"));
    h.ctrl(Qt::Key_A, h.list());
    QCOMPARE(clipboard->text(),
             QString("00:1A:2B:3C:4D:00\r\n00:1A:2B:3C:4D:01\r\n00:1A:2B:3C:4D:02\r\n"));
    QCOMPARE(h.list()->firstSelectedRow(), 1);  // Ctrl+A selects nothing new
    QCOMPARE(h.list()->selectionModel()->selectedRows().size(), 1);
    // Shift is not examined.
    clipboard->setText("x");
    QTest::keyClick(h.list(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(clipboard->text(), QString("00:1A:2B:3C:4D:01"));
}

void TestListInteraction::clipboardTakesOnlyWhatAMacTextMayHold_data() {
    // The controller's sender field (20 bytes, its own to fill) and what the
    // clipboard gets of the row's "MAC Address" cell.
    QTest::addColumn<QByteArray>("sender");
    QTest::addColumn<QString>("copied");
    QTest::newRow("colons") << QByteArray("00:1a:2b:3c:4d:5e") << "00:1A:2B:3C:4D:5E";
    QTest::newRow("hyphens") << QByteArray("00-1a-2b-3c-4d-5e") << "00-1A-2B-3C-4D-5E";
    QTest::newRow("escape sequence") << QByteArray("\x1b[31m00:1a:2b:3c") << "3100:1A:2B:3C";
    QTest::newRow("line break and tab") << QByteArray("00:1a\r\n2b\t3c") << "00:1A2B3C";
    QTest::newRow("bell and DEL") << QByteArray("00\x07:1a\x7f:2b") << "00:1A:2B";
    QTest::newRow("C1 control and Latin-1") << QByteArray("00:1a\x9b\xe9:2b") << "00:1A:2B";
    QTest::newRow("words") << QByteArray("MAC 00:1a zz") << "AC00:1A";
}

void TestListInteraction::clipboardTakesOnlyWhatAMacTextMayHold() {
    QFETCH(QByteArray, sender);
    QFETCH(QString, copied);
    ListHarness h;
    ScanReplySample s;
    s.sender = sender.toStdString();
    s.ip = "192.168.1.60";
    h.pushScanReply(s);
    QCOMPARE(h.window->deviceModel().rowCount(), 1);
    h.clickRow(0);
    h.list()->setFocus();
    QClipboard* clipboard = QGuiApplication::clipboard();
    h.ctrl(Qt::Key_C, h.list());
    QCOMPARE(clipboard->text(), copied);
    h.ctrl(Qt::Key_A, h.list());
    QCOMPARE(clipboard->text(), copied + "\r\n");
}

void TestListInteraction::copiesNeedTheListFocusAndASelection() {
    ListHarness h(kFactoryArgs);
    h.pushControllers(2);
    h.clickRow(0);
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText("untouched");
    auto* mac = qobject_cast<QLineEdit*>(h.control(IDC_MAC));
    mac->setFocus();
    QTest::keyClicks(mac, "aAcC");
    QCOMPARE(mac->text(), QString("aAcC"));
    h.ctrl(Qt::Key_A, mac);  // the entry's own select-all
    QCOMPARE(mac->selectedText(), QString("aAcC"));
    QVERIFY(clipboard->text() != QString("00:1A:2B:3C:4D:00\r\n00:1A:2B:3C:4D:01\r\n"));
    h.ctrl(Qt::Key_C, mac);  // the entry's own copy
    QCOMPARE(clipboard->text(), QString("aAcC"));
}

void TestListInteraction::draggedColumnsChangeNothing() {
    ListHarness h;
    h.pushControllers(2);
    QHeaderView* header = h.list()->horizontalHeader();
    header->moveSection(kestrel::ColMacAddress, 0);
    header->moveSection(kestrel::ColStatus, 9);
    h.clickRow(1);
    QCOMPARE(h.line(), QString("[No.2] 00:1A:2B:3C:4D:01 - 192.168.1.51"));
    QCOMPARE(h.status(), QString("Failed"));
    h.list()->setFocus();
    h.ctrl(Qt::Key_C, h.list());
    QCOMPARE(QGuiApplication::clipboard()->text(), QString("00:1A:2B:3C:4D:01"));
}

void TestListInteraction::doubleClickOpensThePlainWebInterface() {
    ListHarness h;
    ScanReplySample a;
    a.sender = "00:00:00:00:00:01";
    a.ip = "192.168.1.60";
    a.http_port = 8080;
    a.https_enabled = 1;
    a.https_port = 8443;
    ScanReplySample b = a;
    b.sender = "00:00:00:00:00:02";
    b.ip = "192.168.1.61";
    b.http_port = 80;
    h.pushScanReply(a);
    h.pushScanReply(b);
    h.doubleClickRow(0);
    QCOMPARE(h.world.desktop.urls, std::vector<std::string>{"http://192.168.1.60:8080"});
    // The row with the selection mark, wherever the pointer is.
    h.list()->setCurrentIndex(h.list()->model()->index(1, 0));
    h.doubleClickRow(-1);
    QCOMPARE(h.world.desktop.urls.back(), std::string("http://192.168.1.61:80"));
    // No mark, no browser.
    QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
    h.doubleClickRow(-1);
    QCOMPARE(h.world.desktop.urls.size(), std::size_t(2));
}

void TestListInteraction::doubleClickIgnoresAddressesThatAreNotCanonicalIPv4() {
    ListHarness h;
    const char* hostile[] = {
        "evil.example", "1.2.3.4/x", "1.2.3.4@evil",   "javascript:x", "256.1.1.1",
        "1.2.3",        "",          "192.168.000.010"};  // octal to a browser: another host than
                                                          // the row shows
    for (const char* ip : hostile) {
        QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
        ScanReplySample s;
        s.ip = ip;
        h.pushScanReply(s);
        QCOMPARE(h.window->deviceModel().rowCount(), 1);
        h.doubleClickRow(0);
        QCOMPARE(h.list()->selectionMark(), 0);
    }
    QVERIFY(h.world.desktop.urls.empty());
}

void TestListInteraction::contextMenuOnlyForOldFirmware() {
    ListHarness h;
    MenuProbe probe;
    probe.choose = false;
    probe.attach(*h.window);
    // The firmware rule itself is the core's; here: its cell decides.
    const char* versions[] = {"5.00.01l", "5.00.01m", "5.0.01a"};
    const bool offered[] = {true, false, false};
    for (std::size_t i = 0; i < std::size(versions); ++i) {
        QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
        ScanReplySample s;
        s.ip = "192.168.1." + std::to_string(10 + i);
        s.firmware_version = versions[i];
        h.pushScanReply(s);
        const int before = probe.menus;
        h.clickRow(0, Qt::RightButton);
        QVERIFY2((probe.menus > before) == offered[i], versions[i]);
        if (offered[i]) QCOMPARE(h.window->upgradeTargetIp(), QString::fromStdString(s.ip));
    }
    QCOMPARE(probe.offered.first(), QString("Create Upgrade File"));
    // A right click below the rows follows the list's selection.
    h.list()->clearSelection();
    const int before = probe.menus;
    h.clickRow(-1, Qt::RightButton);
    QCOMPARE(probe.menus, before);
}

void TestListInteraction::upgradeBatchFileIsWrittenBesideTheProgramFolder() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QDir(root.path()).mkpath(QString("Tool/") + kUpgradeFolder));
    ListHarness h(kFactoryArgs);  // the menu works in factory mode too
    h.world.desktop.program = programIn(root);
    MenuProbe probe;
    probe.attach(*h.window);
    ScanReplySample s;
    s.ip = "10.0.0.7";
    s.firmware_version = "5.00.01l";
    h.pushScanReply(s);
    const QString file =
        QDir(root.path()).filePath(QString("Tool/") + kUpgradeFolder + "/10.0.0.7_KestrelUp.bat");
    for (int round = 0; round < 2; ++round) {
        h.clickRow(0, Qt::RightButton);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("KestrelUp.bat -kestrel 10.0.0.7"));  // 31 bytes, once
        QCOMPARE(h.world.prompts.shown.back().text, std::string("Upgrade file creation complete"));
        QVERIFY(h.world.prompts.shown.back().icon == kestrel::PromptIcon::Warning);
    }
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(2));
}

void TestListInteraction::upgradeBatchFileFailuresAreReported() {
    QTemporaryDir root;
    ListHarness h;
    h.world.desktop.program = programIn(root);
    MenuProbe probe;
    probe.attach(*h.window);
    ScanReplySample s;
    s.ip = "10.0.0.8";
    s.firmware_version = "5.00.01l";
    h.pushScanReply(s);
    h.clickRow(0, Qt::RightButton);  // the folders are missing and are not made
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
    const QString text = QString::fromStdString(h.world.prompts.shown[0].text);
    QVERIFY2(text.contains("10.0.0.8_KestrelUp.bat"), qPrintable(text));
    QVERIFY(!text.contains("complete"));
    QVERIFY(!QDir(root.path()).exists("Tool/2.Kestrel Old Version(v5.00-01l Previous)"));
}

void TestListInteraction::hostileAddressesWriteNothing_data() {
    QTest::addColumn<QString>("ip");
    QTest::newRow("traversal") << "../../../etc/x";
    QTest::newRow("separator") << "1.2.3.4/../../x";
    QTest::newRow("command") << "1.2.3.4 & del *";
    QTest::newRow("backslash") << "..\\..\\x";
    QTest::newRow("name") << "controller";
    QTest::newRow("empty") << "";
    QTest::newRow("leading zeros") << "192.168.000.010";
}

void TestListInteraction::hostileAddressesWriteNothing() {
    QFETCH(QString, ip);
    QTemporaryDir root;
    QVERIFY(QDir(root.path()).mkpath(QString("Tool/") + kUpgradeFolder));
    ListHarness h;
    h.world.desktop.program = programIn(root);
    MenuProbe probe;
    probe.attach(*h.window);
    ScanReplySample s;
    s.ip = ip.toStdString();
    s.firmware_version = "5.00.01l";
    h.pushScanReply(s);
    h.clickRow(0, Qt::RightButton);
    QCOMPARE(probe.menus, 1);
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
    QVERIFY(
        QString::fromStdString(h.world.prompts.shown[0].text).contains("not a valid IPv4 address"));
    // Nothing anywhere under the temporary root but the folders made above.
    QStringList files;
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) files << it.next();
    QVERIFY2(files.isEmpty(), qPrintable(files.join(", ")));
}

QTEST_MAIN(TestListInteraction)
#include "tst_list_interaction.moc"
