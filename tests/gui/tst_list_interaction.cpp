// Mouse, keyboard and clipboard on the device list; the web interface; the
// context menu, the upgrade batch file and the list's export it writes.
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <sstream>

#include "WindowHarness.h"
#include "output/device_rows.h"
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
// With `pick`, the entry of that text instead.
struct MenuProbe {
    QStringList offered;
    int menus = 0;
    bool choose = true;
    QString pick;
    void attach(Dlg& window) {
        window.setMenuRunner([this](QMenu& menu, const QPoint&) -> QAction* {
            ++menus;
            for (QAction* a : menu.actions()) offered << a->text();
            if (!choose) return nullptr;
            for (QAction* a : menu.actions())
                if (!pick.isEmpty() && a->text() == pick) return a;
            return pick.isEmpty() ? menu.actions().value(0) : nullptr;
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
    void problemsShowAsTheRowsTooltip();
    void rowsAppendedOutOfSightLeaveTheShownRowsUnpainted();
    void exportWritesWhatTheCoreWriterWrites_data();
    void exportWritesWhatTheCoreWriterWrites();
    void exportFailureIsReported();
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
    // The firmware rule itself is the core's; here: its cell decides. The
    // export is offered on every row.
    const char* versions[] = {"5.00.01l", "5.00.01m", "5.0.01a"};
    const bool offered[] = {true, false, false};
    for (std::size_t i = 0; i < std::size(versions); ++i) {
        QTest::mouseClick(h.control(IDC_SCAN), Qt::LeftButton);
        ScanReplySample s;
        s.ip = "192.168.1." + std::to_string(10 + i);
        s.firmware_version = versions[i];
        h.pushScanReply(s);
        probe.offered.clear();
        h.clickRow(0, Qt::RightButton);
        const QStringList expected = offered[i]
                                         ? QStringList{"Create Upgrade File", "Export List..."}
                                         : QStringList{"Export List..."};
        QCOMPARE(probe.offered, expected);
        if (offered[i]) QCOMPARE(h.window->upgradeTargetIp(), QString::fromStdString(s.ip));
    }
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

void TestListInteraction::problemsShowAsTheRowsTooltip() {
    ListHarness h;
    ScanReplySample first;
    first.sender = "00:1a:2b:3c:4d:01";
    first.ip = "192.168.1.50";
    ScanReplySample second = first;  // the same address
    second.sender = "00:1a:2b:3c:4d:02";
    ScanReplySample sound;
    sound.sender = "00:1a:2b:3c:4d:03";
    sound.ip = "192.168.1.53";
    ScanReplySample away;
    away.sender = "00:1a:2b:3c:4d:04";
    away.ip = "10.9.0.4";
    away.gateway = "10.9.0.1";
    for (const auto& sample : {first, second, sound, away}) h.pushScanReply(sample);
    const DeviceListModel& model = h.window->deviceModel();
    auto tip = [&model](int row) {
        return model.data(model.index(row, kestrel::ColIpAddress), Qt::ToolTipRole);
    };
    auto outside = [](const char* pc, const char* own) {
        return QString(
                   "outside this PC's subnet %1: its web page cannot be opened from here; move "
                   "it into %1 (netcfg) or give this PC an address in %2")
            .arg(pc, own);
    };
    QCOMPARE(tip(0).toString(), QString("192.168.1.50 is also the address of 00:1A:2B:3C:4D:02"));
    QCOMPARE(tip(1).toString(), QString("192.168.1.50 is also the address of 00:1A:2B:3C:4D:01"));
    QVERIFY(!tip(2).isValid());  // a sound row has no tooltip
    QCOMPARE(tip(3).toString(), outside("192.168.1.x", "10.9.0.x"));
    // The cells stay as they are.
    QCOMPARE(model.cell(0, kestrel::ColIpAddress), QString("192.168.1.50"));
    QCOMPARE(model.columnCount(), int(kestrel::ColumnCount));

    // The rows stay when the adapter changes; their tooltips check them against it.
    qobject_cast<QComboBox*>(h.control(IDC_ADAPTER))->setCurrentIndex(1);
    QCOMPARE(tip(0).toString(), "192.168.1.50 is also the address of 00:1A:2B:3C:4D:02\n" +
                                    outside("10.0.0.x", "192.168.1.x"));
    QCOMPARE(tip(3).toString(), outside("10.0.0.x", "10.9.0.x"));
}

// A burst appends rows far below those shown, many times a second: only the
// scroll range changes; painting the shown rows again each time held the
// window up. Rows that come into sight are painted.
void TestListInteraction::rowsAppendedOutOfSightLeaveTheShownRowsUnpainted() {
    ListHarness h;
    struct PaintCounter : QObject {
        int paints = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++paints;
            return false;
        }
    } counter;
    h.list()->viewport()->installEventFilter(&counter);
    QScrollBar* scroll = h.list()->verticalScrollBar();

    h.pushControllers(3);
    QTRY_VERIFY(counter.paints > 0);
    h.pushControllers(100);  // the first three again, and rows out of sight
    QTRY_COMPARE(h.list()->model()->rowCount(), 100);
    Harness::settle();
    const int range = scroll->maximum();
    counter.paints = 0;
    for (int i = 0; i < 50; ++i) {
        ScanReplySample below;
        char mac[32];
        std::snprintf(mac, sizeof mac, "00:1a:2b:3c:5e:%02x", i);
        below.sender = mac;
        below.ip = "192.168.2." + std::to_string(10 + i);
        h.pushScanReply(below);
    }
    QTRY_VERIFY(scroll->maximum() > range);
    Harness::settle();
    QCOMPARE(counter.paints, 0);
}

void TestListInteraction::exportWritesWhatTheCoreWriterWrites_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("format");
    const auto csv = static_cast<int>(kestrel::RowFormat::Csv);
    const auto json = static_cast<int>(kestrel::RowFormat::Json);
    QTest::newRow("csv by extension") << "rows.csv"
                                      << "JSON (*.json)" << csv;
    QTest::newRow("json by extension") << "rows.JSON"
                                       << "CSV (*.csv)" << json;
    QTest::newRow("csv by filter") << "rows"
                                   << "CSV (*.csv)" << csv;
    QTest::newRow("json by filter") << "rows"
                                    << "JSON (*.json)" << json;
}

void TestListInteraction::exportWritesWhatTheCoreWriterWrites() {
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(int, format);
    QTemporaryDir dir;
    ListHarness h;
    h.pushControllers(3);
    // Texts that a spreadsheet, a terminal or a JSON reader must not take
    // for anything but text.
    ScanReplySample hostile;
    hostile.sender = "00:1a:2b:3c:4d:99";
    hostile.ip = "=1+1,\"x\"";
    hostile.firmware_version = "5.00.01l\x1b]0;";
    h.pushScanReply(hostile);
    MenuProbe probe;
    probe.pick = "Export List...";
    probe.attach(*h.window);
    h.world.prompts.saveAnswer =
        kestrel::SaveChoice{dir.filePath(name).toStdString(), filter.toStdString()};
    h.clickRow(1, Qt::RightButton);
    QCOMPARE(h.world.prompts.saveTitles, std::vector<std::string>{"Export List"});
    QCOMPARE(h.world.prompts.texts(), std::vector<std::string>{});

    std::ostringstream expected;
    kestrel::writeDeviceRows(expected, h.window->deviceModel().devices(),
                             static_cast<kestrel::RowFormat>(format));
    // A name without an extension gains the filter's.
    const QString written =
        QFileInfo(name).suffix().isEmpty()
            ? dir.filePath(name + (format == int(kestrel::RowFormat::Json) ? ".json" : ".csv"))
            : dir.filePath(name);
    QFile file(written);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(written));
    QCOMPARE(file.readAll(), QByteArray::fromStdString(expected.str()));
    QCOMPARE(h.window->deviceModel().rowCount(), 4);
}

void TestListInteraction::exportFailureIsReported() {
    QTemporaryDir dir;
    ListHarness h;
    h.pushControllers(2);
    MenuProbe probe;
    probe.pick = "Export List...";
    probe.attach(*h.window);
    // A folder that is not there (root may write into any folder that is).
    const QString path = dir.filePath("gone/rows.csv");
    h.world.prompts.saveAnswer = kestrel::SaveChoice{path.toStdString(), "CSV (*.csv)"};
    h.clickRow(0, Qt::RightButton);
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
    const QString text = QString::fromStdString(h.world.prompts.shown[0].text);
    QVERIFY2(text.startsWith("The list could not be exported to " + QDir::toNativeSeparators(path) +
                             ": "),
             qPrintable(text));
    QVERIFY(h.world.prompts.shown[0].icon == kestrel::PromptIcon::Warning);
    QVERIFY(!QFileInfo::exists(path));
    // Cancelled: nothing written, nothing said.
    h.world.prompts.saveAnswer.reset();
    h.clickRow(0, Qt::RightButton);
    QCOMPARE(h.world.prompts.shown.size(), std::size_t(1));
}

QTEST_MAIN(TestListInteraction)
#include "tst_list_interaction.moc"
