// The main window's shape: modes, controls, columns, labels, keys that must
// not close it.
#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "WindowHarness.h"
#include "app/CAboutDlg.h"
#include "app/CKestrelInstallerApp.h"
#include "app/FactoryUnlock.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/CFactoryReset.h"
#include "ui/CIPSetDialog.h"
#include "ui/DeviceListModel.h"
#include "ui/ElidedLabel.h"

using namespace fendrix;
using namespace fendrix::testing;
using Dlg = CKestrelInstallerDlg;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void factoryModeArguments_data();
    void factoryModeArguments();
    void factoryModeShowsThePanelInPlaceOfTheButtons();
    void columnsTitlesWidthsAndAlignment();
    void listLooksAndBehavesAsAReportView();
    void labelsAfterStart();
    void titlesReadExactlyAsSet();
    void longLabelsEndAfterAWholeWord();
    void fixedSizeAndControlsAtTheirPlaces();
    void escAndEnterDoNotClose();
    void titleBarCloseStopsCaptureAndClearsRows();
    void aboutBoxFromTheTopArea();
    void modelPassesTheModelTester();
};

void TestMainWindow::factoryModeArguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("factory");
    const QString p = QStringLiteral("fendrix");
    QTest::newRow("-p and code") << QStringList{p, "-p", "tundrax5832!"} << true;
    QTest::newRow("-pX and longer code") << QStringList{p, "-pX", "tundrax5832!more"} << true;
    QTest::newRow("11 chars of code") << QStringList{p, "-p", "tundrax5832"} << false;
    QTest::newRow("three arguments") << QStringList{p, "-p", "tundrax5832!", "x"} << false;
    QTest::newRow("one argument") << QStringList{p, "-p"} << false;
    QTest::newRow("code first") << QStringList{p, "tundrax5832!", "-p"} << false;
    QTest::newRow("-P upper case") << QStringList{p, "-P", "tundrax5832!"} << false;
    QTest::newRow("no arguments") << QStringList{p} << false;
}

void TestMainWindow::factoryModeArguments() {
    QFETCH(QStringList, args);
    QFETCH(bool, factory);
    QCOMPARE(isFactoryModeCommandLine(args), factory);
    Harness h(args, false);
    QCOMPARE(h.window->factoryMode(), factory);
    QVERIFY(h.world.prompts.shown.empty());  // never a word about the arguments
}

void TestMainWindow::factoryModeShowsThePanelInPlaceOfTheButtons() {
    const int panel[] = {IDC_FACTORY_GROUP, IDC_OEM_CAPTION,  IDC_MAC_CAPTION, IDC_OEM,
                         IDC_MAC,           IDC_APPLY_RESULT, IDC_APPLY_MARK,  IDC_APPLY};
    {
        Harness normal(kNormalArgs);
        QVERIFY(normal.control(IDC_NETWORK_CHANGE)->isVisible());
        QVERIFY(normal.control(IDC_FACTORY_RESET)->isVisible());
        for (int id : panel)
            QVERIFY2(!normal.control(id)->isVisible(), qPrintable(QString::number(id)));
    }
    Harness factory(kFactoryArgs);
    QVERIFY(!factory.control(IDC_NETWORK_CHANGE)->isVisible());
    QVERIFY(!factory.control(IDC_FACTORY_RESET)->isVisible());
    for (int id : panel)
        QVERIFY2(factory.control(id)->isVisible(), qPrintable(QString::number(id)));
    for (int id : {IDC_DEVICE_LIST, IDC_SCAN, IDC_ADAPTER, IDC_SELECTION_LINE, IDC_STATUS})
        QVERIFY(factory.control(id)->isVisible());

    auto* oem = qobject_cast<QComboBox*>(factory.control(IDC_OEM));
    QStringList brands;
    for (int i = 0; i < oem->count(); ++i) brands << oem->itemText(i);
    QCOMPARE(brands,
             (QStringList{"KESTREL", "MARLO #1", "MARLO #2", "QEL", "RVM", "TALLIS", "ZANT"}));
    QCOMPARE(oem->currentIndex(), 0);
}

void TestMainWindow::columnsTitlesWidthsAndAlignment() {
    Harness h;
    auto* list = h.window->deviceList();
    QAbstractItemModel* model = list->model();
    const QStringList titles{"No",    "Status",  "MAC Address", "IP Address", "IP Type",
                             "Model", "Version", "Product",     "Max Door",   "Server IP"};
    const int widths[] = {30, 65, 120, 120, 60, 120, 100, 85, 100, 120};
    QCOMPARE(model->columnCount(), 10);
    for (int c = 0; c < 10; ++c) {
        QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
        QCOMPARE(list->columnWidth(c), widths[c]);
        QVERIFY(!list->isColumnHidden(c));
    }
    // Titles are drawn: the header is shown and tall enough for text.
    QVERIFY(list->horizontalHeader()->isVisible());
    QVERIFY(list->horizontalHeader()->height() >= list->fontMetrics().height());

    h.pushControllers(1);
    for (int c = 0; c < 10; ++c)
        QCOMPARE(model->index(0, c).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
                 Qt::Alignment(Qt::AlignCenter));
}

void TestMainWindow::listLooksAndBehavesAsAReportView() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    auto* list = h.window->deviceList();
    QHeaderView* header = list->horizontalHeader();
    QVERIFY(header->sectionsMovable());
    QVERIFY(!header->sectionsClickable());
    QVERIFY(!header->isSortIndicatorShown());
    QVERIFY(!list->isSortingEnabled());
    QVERIFY(list->showGrid());
    QCOMPARE(list->selectionMode(), QAbstractItemView::SingleSelection);
    QCOMPARE(list->selectionBehavior(), QAbstractItemView::SelectRows);

    // Row height: the style's default for the list's font plus 10, also for
    // rows that arrive after an empty start.
    QHeaderView probe(Qt::Vertical);
    probe.setFont(list->font());
    const int expected = probe.defaultSectionSize() + 10;
    QCOMPARE(list->verticalHeader()->defaultSectionSize(), expected);
    h.pushControllers(3);
    for (int r = 0; r < 3; ++r) QCOMPARE(list->rowHeight(r), expected);

    // A click on a title neither sorts nor reorders; selecting a second row
    // deselects the first.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, 5));
    QCOMPARE(h.window->deviceModel().cell(0, kestrel::ColIpAddress), QString("192.168.1.50"));
    list->selectRow(0);
    list->selectRow(2);
    QCOMPARE(list->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(list->firstSelectedRow(), 2);

    // The selected row is painted as selected only while the list has focus.
    QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
    const QRect cell = list->visualRect(list->model()->index(2, kestrel::ColIpType));
    const QPoint inRow(cell.left() + 3, cell.top() + 3);  // beside the text
    const QColor highlight =
        QApplication::palette(list).color(QPalette::Active, QPalette::Highlight);
    auto pixel = [&] { return list->viewport()->grab().toImage().pixelColor(inRow); };
    list->setFocus();
    QTRY_VERIFY(list->hasFocus());
    QCOMPARE(pixel(), highlight);
    h.control(IDC_SCAN)->setFocus();
    QTRY_VERIFY(!list->hasFocus());
    QVERIFY(pixel() != highlight);
    QCOMPARE(list->firstSelectedRow(), 2);  // still selected
}

void TestMainWindow::longLabelsEndAfterAWholeWord() {
    const QFontMetrics metrics(QApplication::font());
    const QString line = QStringLiteral("Apply [MARLO #1 - 00:1a:2b:3c:4d:5e]");
    QCOMPARE(fendrix::ElidedLabel::elideAtWordEnd(line, metrics, 10000), line);
    const int room = metrics.horizontalAdvance(QStringLiteral("Apply [MARLO #1 -..."));
    QCOMPARE(fendrix::ElidedLabel::elideAtWordEnd(line, metrics, room),
             QStringLiteral("Apply [MARLO #1 -..."));
    // A first word that does not fit is cut inside.
    const QString cut = fendrix::ElidedLabel::elideAtWordEnd(line, metrics, 20);
    QVERIFY(metrics.horizontalAdvance(cut) <= 20);
}

void TestMainWindow::labelsAfterStart() {
    for (const QStringList& args : {kNormalArgs, kFactoryArgs}) {
        Harness h(args);
        auto text = [&](int id) { return qobject_cast<QLabel*>(h.control(id))->text(); };
        QCOMPARE(text(IDC_SELECTION_LINE), QString("Choose your equipment ........"));
        QCOMPARE(text(IDC_STATUS), QString());
        QCOMPARE(text(IDC_APPLY_RESULT), QString("Apply result information .........."));
        QCOMPARE(text(IDC_APPLY_MARK), QString());
        QCOMPARE(h.window->currentRow(), -1);
        QCOMPARE(h.window->windowTitle(), QString("Fendrix"));
    }
}

void TestMainWindow::titlesReadExactlyAsSet() {
    // The platform appends a display name to every title that does not end
    // with it; the application sets none, so its display name follows the
    // application name.
    CKestrelInstallerApp::setIdentity();
    QCOMPARE(QCoreApplication::applicationName(), QString("Fendrix"));
    QCoreApplication::setApplicationName("probe");
    QCOMPARE(QGuiApplication::applicationDisplayName(), QString("probe"));
    CKestrelInstallerApp::setIdentity();

    Harness h;
    QCOMPARE(h.window->windowTitle(), QString("Fendrix"));
    const kestrel::DeviceRecord record;
    QCOMPARE(CIPSetDialog(record, {}).windowTitle(), QString("Network Settting"));
    QCOMPARE(CFactoryReset(record, {}).windowTitle(), QString("Factory Reset"));
    QCOMPARE(CAboutDlg().windowTitle(), QString("About Fendrix"));
}

void TestMainWindow::fixedSizeAndControlsAtTheirPlaces() {
    Harness h;
    Dlg& w = *h.window;
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    // The selection line and status label are coloured and bold.
    QCOMPARE(h.control(IDC_SELECTION_LINE)->palette().color(QPalette::WindowText),
             QColor(255, 94, 0));
    QVERIFY(h.control(IDC_SELECTION_LINE)->font().bold());
    QWidget* list = h.control(IDC_DEVICE_LIST);
    QVERIFY(h.control(IDC_SCAN)->geometry().bottom() < list->geometry().top());
    // The adapter selector's group box does not swallow clicks meant for it.
    QWidget* selector = h.control(IDC_ADAPTER);
    QCOMPARE(w.childAt(selector->geometry().center()), selector);
}

void TestMainWindow::escAndEnterDoNotClose() {
    for (const QStringList& args : {kNormalArgs, kFactoryArgs}) {
        Harness h(args);
        for (int id : {IDC_DEVICE_LIST, IDC_SCAN, IDC_ADAPTER}) {
            QWidget* target = h.control(id);
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Escape);
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
            QVERIFY(h.window->isVisible());
        }
        QTest::keyClick(h.window.get(), Qt::Key_Escape);
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.window->result(), 0);
    }
}

void TestMainWindow::titleBarCloseStopsCaptureAndClearsRows() {
    Harness h;
    QVERIFY(h.waitStartupScan());
    h.pushControllers(2);
    QCOMPARE(h.window->deviceModel().rowCount(), 2);
    const int stopsBefore = h.world.capture.stops;
    QVERIFY(h.window->close());
    QVERIFY(!h.window->isVisible());
    QCOMPARE(h.window->deviceModel().rowCount(), 0);
    QVERIFY(h.window->adapters().empty());
    QCOMPARE(h.world.capture.stops, stopsBefore + 1);
    QVERIFY(!h.world.capture.running());
}

void TestMainWindow::aboutBoxFromTheTopArea() {
    Harness h;
    QStringList offered;
    bool listMenu = false;
    h.window->setMenuRunner([&](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* a : menu.actions()) offered << a->text();
        return menu.actions().value(0);
    });
    // The About box is modal: close it as soon as it shows.
    QString aboutName, aboutLicence;
    QTimer::singleShot(0, [&] {
        if (auto* about = QApplication::activeModalWidget()->findChild<QLabel*>("aboutName"))
            aboutName = about->text();
        if (auto* about = QApplication::activeModalWidget()->findChild<QLabel*>("aboutLicence"))
            aboutLicence = about->text();
        QApplication::activeModalWidget()->close();
    });
    QContextMenuEvent top(QContextMenuEvent::Mouse, QPoint(5, 5),
                          h.window->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(h.window.get(), &top);
    QCOMPARE(offered, QStringList{"Fendrix Information(&A)..."});
    QVERIFY(aboutName.startsWith("Fendrix"));
    QVERIFY(aboutLicence.contains("Apache License, Version 2.0"));

    // The device list keeps its own right click.
    offered.clear();
    QWidget* viewport = h.window->deviceList()->viewport();
    QContextMenuEvent onList(QContextMenuEvent::Mouse, QPoint(5, 5),
                             viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &onList);
    QVERIFY(offered.isEmpty());
    Q_UNUSED(listMenu);
}

void TestMainWindow::modelPassesTheModelTester() {
    DeviceListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    kestrel::DeviceRecord a;
    a.mac = "00:1a:2b:3c:4d:5e";
    a.ip = "192.168.1.5";
    a.status = 99;
    kestrel::DeviceRecord b = a;
    b.mac = "00:1A:2B:3C:4D:5E";  // equal row in another case
    kestrel::DeviceRecord c = a;
    c.ip = "192.168.1.6";
    QCOMPARE(model.appendBatch({a, b, c}), 2);
    QCOMPARE(model.appendBatch({b}), 0);
    QCOMPARE(model.rowCount(), 2);
    QCOMPARE(model.cell(1, kestrel::ColNo), QString("  2"));
    QCOMPARE(model.record(1).ip, std::string("192.168.1.6"));
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.appendBatch({c}), 1);
    QCOMPARE(model.cell(0, kestrel::ColNo), QString("  1"));
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
