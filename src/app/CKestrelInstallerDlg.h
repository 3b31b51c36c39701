#pragma once
// The main window: top bar (Scan, adapter selector, device-command buttons or
// the factory panel, selection line and status label) above the device list.
// It owns the adapter entries, the rows and the reply queue; the socket, the
// capture, the prompts and the desktop come in as seams.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/network_change_request.h"
#include "factory/apply_reply.h"
#include "net/byte_io.h"
#include "net/reply_queue.h"
#include "seams/seams.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace fendrix {

class CDeviceListCtrl;
class DeviceListModel;
class ElidedLabel;

class CKestrelInstallerDlg : public QDialog {
    Q_OBJECT
public:
    // Control identifiers of template 102; each control carries its own as
    // the property "controlId".
    enum ControlId {
        IDC_DEVICE_LIST = 1004,
        IDC_SCAN = 1008,
        IDC_NETWORK_CHANGE = 1009,
        IDC_ADAPTER = 1012,
        IDC_FACTORY_RESET = 1021,
        IDC_OEM = 1063,
        IDC_MAC = 1064,
        IDC_OEM_CAPTION = 1065,
        IDC_MAC_CAPTION = 1066,
        IDC_SELECTION_LINE = 1073,
        IDC_APPLY_RESULT = 1075,
        IDC_APPLY_MARK = 1076,
        IDC_STATUS = 1077,
        IDC_FACTORY_GROUP = 1078,
        IDC_APPLY = 1080,
    };

    static constexpr char kChooseEquipment[] = "Choose your equipment ........";
    static constexpr char kApplyResultInfo[] = "Apply result information ..........";
    static constexpr char kCheckNetwork[] = "Check your network connection !";

    // `arguments` is the whole command line, program name first.
    CKestrelInstallerDlg(kestrel::Seams seams, QStringList arguments, QWidget* parent = nullptr);
    ~CKestrelInstallerDlg() override;

    // Control of template 102 by identifier, nullptr for an unknown one.
    QWidget* control(int id) const;
    bool factoryMode() const { return factoryMode_; }
    int currentRow() const { return currentRow_; }
    QString upgradeTargetIp() const { return upgradeTargetIp_; }
    const std::vector<kestrel::AdapterEntry>& adapters() const { return adapters_; }
    DeviceListModel& deviceModel() const { return *model_; }
    CDeviceListCtrl* deviceList() const { return deviceList_; }

    // Shows a popup menu at a screen position and answers the chosen action;
    // replaceable so that tests need not run a real popup.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
    void setMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }

    // Adapters, socket and sending.
    void loadAdapters();
    void openSocket();
    void activateAdapter();
    void sendBroadcast(kestrel::ByteSpan bytes);
    void sendUnicast(std::string_view ip, kestrel::ByteSpan bytes);
    void sendToController(kestrel::ByteSpan bytes, std::string_view controllerIp);

    // Scan and rows.
    void startScan();
    void clearDeviceList();

    // List interaction.
    void UpdateCurrentRow(int row);
    bool CopySelectedMac();
    bool CopyAllMacs();
    bool PutTextOnClipboard(const QString& text);
    void writeUpgradeBatchFile();

    // Factory panel.
    void applyFactoryPanel();
    int sendOemMacRequest(const std::string& targetMac, const std::string& controllerIp,
                          int oemIndex, const std::string& newMac);
    void handleApplyReply(const kestrel::ApplyReply& reply);

    // Device commands, handed to the command dialogs.
    int sendNetworkChange(const kestrel::NetworkChangeValues& values);
    void sendFactoryReset(const std::string& lowerMac, const std::string& currentIp,
                          const std::string& userId, const std::string& password);

    // Moves the exchanged values from the controls into the members (true) or
    // back into the controls (false).
    void UpdateData(bool saveAndValidate = true);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef _WIN32
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void buildControls();
    void OnInitDialog();
    void appendAboutToSystemMenu();
    void checkFactoryMode();
    void OnDestroy();
    void showAbout();
    bool PreTranslateMessage(QObject* target, QKeyEvent* key);

    void OnClickDeviceList(int row);
    void OnDblclkDeviceList();
    void OnRclickDeviceList(int row, const QPoint& globalPos);
    void OnBnClickedNetworkChange();
    void OnBnClickedFactoryReset();
    void OnCbnSelchangeOem();

    // Starts the capture on the adapter; its frames come back through the reply queue.
    void pcapInit(const kestrel::AdapterEntry& adapter);
    void drainReplies();
    void handleResultReply(std::uint8_t result);

    const kestrel::AdapterEntry* selectedAdapter() const;
    void prompt(const QString& text, kestrel::PromptIcon icon = kestrel::PromptIcon::Warning);
    void registerControl(QWidget* widget, int id, const char* name);

    kestrel::Seams seams_;
    QStringList arguments_;
    // Declared before everything that feeds it, so it outlives the capture.
    kestrel::ReplyQueue replyQueue_;

    // Members of the window, with their values right after construction.
    QString upgradeTargetIp_;
    bool captureThread_ = false;  // a capture was started on some adapter
    unsigned captureRun_ = 0;     // counts capture starts and stops, to drop stale loss reports
    std::vector<kestrel::AdapterEntry> adapters_;
    int oemIndex_ = 0;
    QString macText_;
    QString selectionLineText_ = QString::fromLatin1(kChooseEquipment);
    int currentRow_ = -1;
    QString statusText_;
    QString applyMarkText_;
    QString applyResultText_ = QString::fromLatin1(kApplyResultInfo);

    bool factoryMode_ = false;
    bool draining_ = false;
    bool destroyed_ = false;
    MenuRunner menuRunner_;

    // Controls of template 102.
    DeviceListModel* model_ = nullptr;
    CDeviceListCtrl* deviceList_ = nullptr;
    QPushButton* scan_ = nullptr;
    QLabel* logo_ = nullptr;
    QComboBox* adapterSelector_ = nullptr;
    QPushButton* networkChange_ = nullptr;
    QPushButton* factoryReset_ = nullptr;
    QComboBox* oemSelector_ = nullptr;
    QLineEdit* macEntry_ = nullptr;
    QLabel* macCaption_ = nullptr;
    QLabel* oemCaption_ = nullptr;
    QGroupBox* networkGroup_ = nullptr;
    ElidedLabel* selectionLine_ = nullptr;
    ElidedLabel* applyResult_ = nullptr;
    QLabel* applyMark_ = nullptr;
    QLabel* status_ = nullptr;
    QGroupBox* factoryGroup_ = nullptr;
    QPushButton* apply_ = nullptr;
};

}  // namespace fendrix
