// The main window's life: construction, initialisation, keys, closing.
#include "app/CKestrelInstallerDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/AppPlatform.h"
#include "app/CAboutDlg.h"
#include "app/FactoryUnlock.h"
#include "string_table.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"
#include "ui/DeviceListPump.h"
#include "ui/DialogUnits.h"
#include "ui/ElidedLabel.h"
#include "ui/FactoryPanel.h"

namespace fendrix {

namespace {
constexpr int kStartupScanDelayMs = 1000;
}  // namespace

CKestrelInstallerDlg::CKestrelInstallerDlg(kestrel::Seams seams, const QStringList& arguments,
                                           QWidget* parent)
    : QDialog(parent), seams_(seams), link_(seams.socket, seams.capture, linkEvents()) {
    setWindowTitle(QStringLiteral("Fendrix"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    menuRunner_ = [](QMenu& menu, const QPoint& pos) { return menu.exec(pos); };

    buildControls();
    startReplyPump();
    connect(scan_, &QPushButton::clicked, this, &CKestrelInstallerDlg::startScan);
    connect(networkChange_, &QPushButton::clicked, this,
            &CKestrelInstallerDlg::onNetworkChangeClicked);
    connect(factoryReset_, &QPushButton::clicked, this,
            &CKestrelInstallerDlg::onFactoryResetClicked);
    connect(factoryPanel_, &FactoryPanel::applyRequested, this,
            &CKestrelInstallerDlg::onApplyRequested);
    connect(adapterSelector_, &QComboBox::currentIndexChanged, this,
            &CKestrelInstallerDlg::activateAdapter);
    connect(deviceList_, &CDeviceListCtrl::rowClicked, this,
            &CKestrelInstallerDlg::UpdateCurrentRow);
    connect(deviceList_, &CDeviceListCtrl::rowDoubleClicked, this,
            &CKestrelInstallerDlg::openWebInterface);
    connect(deviceList_, &CDeviceListCtrl::rowRightClicked, this,
            &CKestrelInstallerDlg::offerRowMenu);

    // Enter and Esc are seen here before any control of this window sees them.
    qApp->installEventFilter(this);

    initialise(arguments);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

CKestrelInstallerDlg::~CKestrelInstallerDlg() {
    qApp->removeEventFilter(this);
    releaseResources();
}

void CKestrelInstallerDlg::initialise(const QStringList& arguments) {
    appendAboutToSystemMenu();

    // The selection line and the status label: bold, orange.
    const QColor orange(255, 94, 0);
    makeBoldLabel(selectionLine_, orange);
    makeBoldLabel(status_, orange);

    // Rows are enlarged once the list has its font.
    deviceList_->enlargeRows();

    // The socket is opened twice on purpose: activating the adapter closes
    // the first one, binds a fresh one and starts the capture on it.
    loadAdapters();
    openSocket();
    activateAdapter();

    // Column titles come from the model; their widths are set here.
    for (int column = 0; column < kestrel::ColumnCount; ++column)
        deviceList_->setColumnWidth(
            column, DeviceListModel::columnWidth(static_cast<kestrel::Column>(column)));

    enterFactoryModeIfUnlocked(arguments);

    // The one start-up scan.
    QTimer::singleShot(kStartupScanDelayMs, this, &CKestrelInstallerDlg::startScan);
}

void CKestrelInstallerDlg::appendAboutToSystemMenu() {
    // Where the window has no system menu, its top area offers the entry
    // (contextMenuEvent).
    platform::appendToSystemMenu(*this, QString::fromUtf8(res::kAboutBoxText), res::IDM_ABOUTBOX);
}

bool CKestrelInstallerDlg::nativeEvent(const QByteArray& eventType, void* message,
                                       qintptr* result) {
    if (platform::isSystemMenuCommand(eventType, message, res::IDM_ABOUTBOX)) {
        showAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

void CKestrelInstallerDlg::contextMenuEvent(QContextMenuEvent* event) {
    // Only the top bar: the device list keeps its own right click.
    if (event->pos().y() >= deviceList_->geometry().top()) {
        event->ignore();
        return;
    }
    QMenu menu(this);
    QAction* about = menu.addAction(QString::fromUtf8(res::kAboutBoxText));
    if (menuRunner_(menu, event->globalPos()) == about) showAbout();
    event->accept();
}

void CKestrelInstallerDlg::showAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CKestrelInstallerDlg::enterFactoryModeIfUnlocked(const QStringList& arguments) {
    if (!isFactoryModeCommandLine(arguments)) return;
    factoryMode_ = true;
    // The panel takes the place of the device-command buttons for the whole run.
    networkChange_->hide();
    factoryReset_->hide();
    factoryPanel_->show();
}

bool CKestrelInstallerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QWidget*>(watched)->window() == this &&
        handleWindowKey(static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

// Enter and Esc, whichever control has the focus; every other key goes on to
// the control (the device list copies with Ctrl+C and Ctrl+A itself).
bool CKestrelInstallerDlg::handleWindowKey(QKeyEvent* key) {
    // Keys held with Alt are system keys: they take the default path.
    if (key->modifiers() & Qt::AltModifier) return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (factoryMode_) factoryPanel_->apply();
        return true;                   // Enter never closes the window
    case Qt::Key_Escape: return true;  // nor does Esc
    default: return false;
    }
}

void CKestrelInstallerDlg::reject() {
    // Reached by Esc or a close request; only the title bar's close
    // (closeEvent) ends the window.
}

void CKestrelInstallerDlg::closeEvent(QCloseEvent* event) {
    releaseResources();
    event->accept();
    done(QDialog::Rejected);
}

void CKestrelInstallerDlg::releaseResources() {
    if (destroyed_) return;
    destroyed_ = true;
    pump_->stop();
    adapters_.clear();
    model_->clear();
    link_.stopCapture();  // safe when nothing runs
}

void CKestrelInstallerDlg::prompt(const QString& text, kestrel::PromptIcon icon) {
    const QByteArray bytes = text.toUtf8();
    seams_.prompts.show(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        icon);
}

}  // namespace fendrix
