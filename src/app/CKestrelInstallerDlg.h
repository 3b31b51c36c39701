#pragma once
// The main window: top bar (Scan, adapter selector, device-command buttons or
// the factory panel, selection line and status label) above the device list.
// It owns the adapter entries, the rows and the link to the segment (which
// holds the reply queue); the socket, the capture, the prompts and the
// desktop come in as seams.
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "commands/network_change_request.h"
#include "dispatch/answer_match.h"
#include "dispatch/segment_link.h"
#include "seams/seams.h"
#include "wire/byte_io.h"

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;

namespace fendrix {

class CDeviceListCtrl;
class DeviceListModel;
class DeviceListPump;
class ElidedLabel;
class FactoryPanel;

class CKestrelInstallerDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr char kChooseEquipment[] = "Choose your equipment ........";
    static constexpr char kCheckNetwork[] = "Check your network connection !";
    static constexpr char kSelectEquipment[] = "Please select the equipment and run it.";

    // `arguments` is the whole command line, program name first.
    CKestrelInstallerDlg(kestrel::Seams seams, const QStringList& arguments,
                         QWidget* parent = nullptr);
    ~CKestrelInstallerDlg() override;

    bool factoryMode() const { return factoryMode_; }
    // Result and apply replies that answered no request of this window.
    std::size_t ignoredAnswers() const { return ignoredAnswers_; }
    int currentRow() const { return currentRow_; }
    QString upgradeTargetIp() const { return QString::fromLatin1(upgradeTargetIp_); }
    const std::vector<kestrel::AdapterEntry>& adapters() const { return adapters_; }
    DeviceListModel& deviceModel() const { return *model_; }
    CDeviceListCtrl* deviceList() const { return deviceList_; }

    // Shows a popup menu at a screen position and answers the chosen action;
    // replaceable so that tests need not run a real popup.
    using MenuRunner = std::function<QAction*(QMenu& menu, const QPoint& globalPos)>;
    void setMenuRunner(MenuRunner runner) { menuRunner_ = std::move(runner); }

    // Device commands, handed to the command dialogs.
    void sendNetworkChange(const kestrel::NetworkChangeValues& values);
    void sendFactoryReset(const std::string& lowerMac, const std::string& currentIp,
                          const std::string& userId, const std::string& password);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    // What a send does when the selector holds no adapter: both say so; some
    // then end the program.
    enum class WithoutAdapter { GoOn, EndProgram };
    // The MAC and IP texts of the row that the current row index was taken
    // from: the controller the user clicked.
    struct ClickedController {
        std::string mac;
        std::string ip;
    };

    // Life of the window.
    void buildControls();
    void initialise(const QStringList& arguments);
    void appendAboutToSystemMenu();
    void showAbout();
    void enterFactoryModeIfUnlocked(const QStringList& arguments);
    bool handleWindowKey(QKeyEvent* key);
    void releaseResources();

    // The rows: clicks, the web interface, the context menu, device commands.
    void UpdateCurrentRow(int row);
    void openWebInterface();
    void offerRowMenu(int row, const QPoint& globalPos);
    void exportList();
    void onNetworkChangeClicked();
    void onFactoryResetClicked();
    void onApplyRequested(int oemIndex, const std::string& newMac);
    const kestrel::DeviceRecord* clickedRecord() const;

    // Adapters, socket, capture, replies and sending.
    kestrel::SegmentLinkEvents linkEvents();
    void loadAdapters();
    void openSocket();
    void activateAdapter();
    void startCapture(const kestrel::AdapterEntry& adapter);
    void warnIfOnlySocket();
    void startScan();
    void startReplyPump();
    void handleReply(const kestrel::ReplyEvent& reply, std::uint64_t position);
    void awaitAnswer(kestrel::AnswerKind kind, const std::string& controllerMac);
    void handleResultReply(std::uint8_t result);
    const kestrel::AdapterEntry* selectedAdapter() const;
    const kestrel::AdapterEntry* requireAdapter(WithoutAdapter then);
    void sendToController(kestrel::ByteSpan bytes, std::string_view controllerIp);
    void sendOemMacRequest(const std::string& targetMac, const std::string& controllerIp,
                           int oemIndex, const std::string& newMac);

    void prompt(const QString& text, kestrel::PromptIcon icon = kestrel::PromptIcon::Warning);

    kestrel::Seams seams_;
    // The socket and the capture of the seams, and the replies they bring.
    kestrel::SegmentLink link_;

    std::vector<kestrel::AdapterEntry> adapters_;
    std::string upgradeTargetIp_;  // of the row the context menu was offered for
    int currentRow_ = -1;          // the row last clicked; kept across scans
    std::optional<ClickedController> clicked_;
    bool captureStarted_ = false;
    std::string socketWarningShown_;  // the last "replies through a socket" warning shown
    bool factoryMode_ = false;
    // The last device command sent (network change, factory reset or apply)
    // until its controller answers it; nothing when none is outstanding.
    std::optional<kestrel::AwaitedAnswer> awaited_;
    std::size_t ignoredAnswers_ = 0;
    bool destroyed_ = false;
    MenuRunner menuRunner_;

    DeviceListModel* model_ = nullptr;
    DeviceListPump* pump_ = nullptr;  // the replies into the model, a slice at a time
    CDeviceListCtrl* deviceList_ = nullptr;
    QPushButton* scan_ = nullptr;
    QComboBox* adapterSelector_ = nullptr;
    QPushButton* networkChange_ = nullptr;
    QPushButton* factoryReset_ = nullptr;
    FactoryPanel* factoryPanel_ = nullptr;
    ElidedLabel* selectionLine_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace fendrix
