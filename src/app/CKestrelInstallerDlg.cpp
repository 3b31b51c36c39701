// The main window's life: construction, initialisation, keys, closing.
#include "app/CKestrelInstallerDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "app/CAboutDlg.h"
#include "app/DialogUnits.h"
#include "app/FactoryUnlock.h"
#include "factory/oem_table.h"
#include "strings.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"
#include "ui/ElidedLabel.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fendrix {

namespace {
constexpr int kStartupScanDelayMs = 1000;

void setTextColour(QWidget* label, const QColor& colour) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}
}  // namespace

CKestrelInstallerDlg::CKestrelInstallerDlg(kestrel::Seams seams, QStringList arguments,
                                           QWidget* parent)
    : QDialog(parent), seams_(seams), arguments_(std::move(arguments)) {
    setWindowTitle(QStringLiteral("Fendrix"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    menuRunner_ = [](QMenu& menu, const QPoint& pos) { return menu.exec(pos); };

    // The worker only wakes the window; the window drains on its own thread.
    replyQueue_.setNotify([this] {
        QMetaObject::invokeMethod(
            this, [this] { drainReplies(); }, Qt::QueuedConnection);
    });

    buildControls();
    connect(scan_, &QPushButton::clicked, this, &CKestrelInstallerDlg::startScan);
    connect(networkChange_, &QPushButton::clicked, this,
            &CKestrelInstallerDlg::OnBnClickedNetworkChange);
    connect(factoryReset_, &QPushButton::clicked, this,
            &CKestrelInstallerDlg::OnBnClickedFactoryReset);
    connect(apply_, &QPushButton::clicked, this, &CKestrelInstallerDlg::applyFactoryPanel);
    connect(adapterSelector_, &QComboBox::currentIndexChanged, this,
            &CKestrelInstallerDlg::activateAdapter);
    connect(oemSelector_, &QComboBox::currentIndexChanged, this,
            &CKestrelInstallerDlg::OnCbnSelchangeOem);
    connect(deviceList_, &CDeviceListCtrl::rowClicked, this,
            &CKestrelInstallerDlg::OnClickDeviceList);
    connect(deviceList_, &CDeviceListCtrl::rowDoubleClicked, this,
            &CKestrelInstallerDlg::OnDblclkDeviceList);
    connect(deviceList_, &CDeviceListCtrl::rowRightClicked, this,
            &CKestrelInstallerDlg::OnRclickDeviceList);

    // Key handling sees every key of this window before its controls do.
    qApp->installEventFilter(this);

    OnInitDialog();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

CKestrelInstallerDlg::~CKestrelInstallerDlg() {
    qApp->removeEventFilter(this);
    OnDestroy();
}

void CKestrelInstallerDlg::OnInitDialog() {
    // 1. First exchange: the members' texts replace the template captions.
    UpdateData(false);

    // 2. About entry.
    appendAboutToSystemMenu();

    // 4. Bold fonts of the selection line, the status label and the panel's
    //    result texts; 1.2 colours them.
    const QFont bold = boldLabelFont();
    for (QWidget* label :
         std::initializer_list<QWidget*>{selectionLine_, applyResult_, status_, applyMark_})
        label->setFont(bold);
    const QColor orange(255, 94, 0);
    const QColor magenta(255, 0, 221);
    setTextColour(selectionLine_, orange);
    setTextColour(status_, orange);
    setTextColour(applyResult_, magenta);
    setTextColour(applyMark_, magenta);

    // 5. List styles: rows enlarged once the list has its font.
    deviceList_->enlargeRows();

    // 6. OEM selector: the seven brands, the first one chosen.
    {
        const QSignalBlocker block(oemSelector_);
        for (const auto& brand : kestrel::kOemBrands)
            oemSelector_->addItem(
                QString::fromLatin1(brand.name.data(), static_cast<qsizetype>(brand.name.size())));
        oemSelector_->setCurrentIndex(0);
    }

    // 7. - 8.
    captureThread_ = false;
    loadAdapters();
    openSocket();
    activateAdapter();

    // 9. Columns: titles come from the model; widths here.
    for (int column = 0; column < kestrel::ColumnCount; ++column)
        deviceList_->setColumnWidth(
            column, DeviceListModel::columnWidth(static_cast<kestrel::Column>(column)));

    // 10.
    checkFactoryMode();

    // 11. The one start-up scan.
    QTimer::singleShot(kStartupScanDelayMs, this, &CKestrelInstallerDlg::startScan);
}

void CKestrelInstallerDlg::appendAboutToSystemMenu() {
#ifdef _WIN32
    HMENU systemMenu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (systemMenu) {
        const std::wstring text = QString::fromUtf8(res::kAboutBoxText).toStdWString();
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, res::IDM_ABOUTBOX, text.c_str());
    }
#endif
    // Elsewhere the window's top area offers the entry (contextMenuEvent).
}

#ifdef _WIN32
bool CKestrelInstallerDlg::nativeEvent(const QByteArray& eventType, void* message,
                                       qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND &&
        (msg->wParam & 0xFFF0) == static_cast<WPARAM>(res::IDM_ABOUTBOX)) {
        showAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

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

void CKestrelInstallerDlg::checkFactoryMode() {
    if (!isFactoryModeCommandLine(arguments_)) return;
    factoryMode_ = true;
    networkChange_->hide();
    factoryReset_->hide();
    for (QWidget* w :
         std::initializer_list<QWidget*>{factoryGroup_, oemCaption_, macCaption_, oemSelector_,
                                         macEntry_, applyResult_, applyMark_, apply_})
        w->show();
    // Group boxes stay beneath what they frame.
    factoryGroup_->lower();
}

void CKestrelInstallerDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        oemIndex_ = oemSelector_->currentIndex();
        macText_ = macEntry_->text();
        selectionLineText_ = selectionLine_->text();
        statusText_ = status_->text();
        applyMarkText_ = applyMark_->text();
        applyResultText_ = applyResult_->text();
        return;
    }
    {
        // Setting the index is not a user's choice: no selection-change handling.
        const QSignalBlocker block(oemSelector_);
        oemSelector_->setCurrentIndex(oemIndex_);
    }
    if (macEntry_->text() != macText_) macEntry_->setText(macText_);
    selectionLine_->setText(selectionLineText_);
    status_->setText(statusText_);
    applyMark_->setText(applyMarkText_);
    applyResult_->setText(applyResultText_);
}

bool CKestrelInstallerDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->window() == this &&
            PreTranslateMessage(watched, static_cast<QKeyEvent*>(event)))
            return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool CKestrelInstallerDlg::PreTranslateMessage(QObject* target, QKeyEvent* key) {
    // Keys held with Alt are system keys: they take the default path.
    if (key->modifiers() & Qt::AltModifier) return false;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (factoryMode_) applyFactoryPanel();
        return true;                   // Enter never closes the window
    case Qt::Key_Escape: return true;  // nor does Esc
    case Qt::Key_A:
    case Qt::Key_C:
        if ((key->modifiers() & Qt::ControlModifier) && target == deviceList_ &&
            QApplication::focusWidget() == deviceList_) {
            if (key->key() == Qt::Key_A) CopyAllMacs();
            else CopySelectedMac();
            return true;
        }
        return false;
    default: return false;
    }
}

void CKestrelInstallerDlg::reject() {
    // Reached by Esc or a close request; only the title bar's close
    // (closeEvent) ends the window.
}

void CKestrelInstallerDlg::closeEvent(QCloseEvent* event) {
    OnDestroy();
    event->accept();
    done(QDialog::Rejected);
}

void CKestrelInstallerDlg::OnDestroy() {
    if (destroyed_) return;
    destroyed_ = true;
    adapters_.clear();
    clearDeviceList();
    seams_.capture.stop();  // safe when nothing runs
}

void CKestrelInstallerDlg::prompt(const QString& text, kestrel::PromptIcon icon) {
    const QByteArray bytes = text.toUtf8();
    seams_.prompts.show(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        icon);
}

}  // namespace fendrix
