// The factory panel (OEM brand and MAC address) and the device-command
// buttons that open their dialogs.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "app/CKestrelInstallerDlg.h"
#include "commands/CFactoryReset.h"
#include "commands/CIPSetDialog.h"
#include "commands/factory_reset_request.h"
#include "factory/mac_text.h"
#include "factory/oem_mac_request.h"
#include "factory/oem_table.h"
#include "net/result_reply.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

namespace fendrix {

namespace {
QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

void CKestrelInstallerDlg::OnCbnSelchangeOem() { macEntry_->setEnabled(true); }

void CKestrelInstallerDlg::applyFactoryPanel() {
    // Wire texts are single-byte; a character outside Latin-1 becomes '?',
    // which the MAC rule rejects.
    const QByteArray typed = macEntry_->text().toLatin1();
    const int position = oemSelector_->currentIndex();
    const auto mac = kestrel::normalizeMacText(
        std::string_view(typed.constData(), static_cast<std::size_t>(typed.size())));
    if (!mac) {
        prompt(QStringLiteral("Enter your Mac address correctly !"));
        return;
    }
    // Emptied before the row is looked up, so also when there is none.
    UpdateData(true);
    macText_.clear();
    UpdateData(false);

    if (!model_->hasRow(currentRow_)) {
        prompt(QStringLiteral("Please select the equipment and run it."));
        return;
    }
    // A copy: a message box's event loop may clear the rows meanwhile.
    const kestrel::DeviceRecord record = model_->record(currentRow_);
    sendOemMacRequest(kestrel::lowerText(record.mac), record.ip, position + 1, *mac);
}

int CKestrelInstallerDlg::sendOemMacRequest(const std::string& targetMac,
                                            const std::string& controllerIp, int oemIndex,
                                            const std::string& newMac) {
    const kestrel::AdapterEntry* adapter = selectedAdapter();
    if (!adapter) {
        prompt(QString::fromLatin1(kCheckNetwork));
        seams_.desktop.exitProcess(1);
        return 1;
    }
    const auto request =
        kestrel::buildOemMacRequest(adapter->mac_text, targetMac, controllerIp, oemIndex, newMac);
    sendToController(request, controllerIp);
    return 1;
}

void CKestrelInstallerDlg::handleApplyReply(const kestrel::ApplyReply& reply) {
    if (reply.result != 2) {
        // 0, 1, 5 and 6 share the result reply's texts; the others show nothing.
        if (const auto message = kestrel::resultMessage(reply.result))
            prompt(latin1(*message), kestrel::PromptIcon::Information);
        return;
    }
    UpdateData(true);
    applyResultText_ =
        QStringLiteral("Apply [%1 - %2]")
            .arg(latin1(kestrel::oemName(reply.oem_index)), latin1(reply.reply_text));
    const bool applied = reply.apply_status == 2;
    applyMarkText_ = applied ? QStringLiteral("[OK]") : QStringLiteral("[Failed !]");
    prompt(applied ? QStringLiteral("OK") : QStringLiteral("Failed !"));
    // Only now, with the box closed, do the new texts appear.
    UpdateData(false);
}

int CKestrelInstallerDlg::sendNetworkChange(const kestrel::NetworkChangeValues& values) {
    const kestrel::AdapterEntry* adapter = selectedAdapter();
    if (!adapter) {
        prompt(QString::fromLatin1(kCheckNetwork));
        seams_.desktop.exitProcess(1);
        return 1;
    }
    const auto request = kestrel::buildNetworkChangeRequest(*adapter, values);
    sendToController(request, values.current_ip);
    return 1;
}

void CKestrelInstallerDlg::sendFactoryReset(const std::string& lowerMac,
                                            const std::string& currentIp, const std::string& userId,
                                            const std::string& password) {
    const kestrel::AdapterEntry* adapter = selectedAdapter();
    if (!adapter) {
        prompt(QString::fromLatin1(kCheckNetwork));  // nothing sent, the program goes on
        return;
    }
    const auto request =
        kestrel::buildFactoryResetRequest(*adapter, lowerMac, currentIp, userId, password);
    sendToController(request, currentIp);
}

void CKestrelInstallerDlg::OnBnClickedNetworkChange() {
    const int mark = deviceList_->selectionMark();
    if (!model_->hasRow(mark)) return;
    const kestrel::DeviceRecord record = model_->record(mark);  // rows may be cleared meanwhile
    CIPSetDialog dialog(
        record, [this](const kestrel::NetworkChangeValues& values) { sendNetworkChange(values); },
        this);
    dialog.exec();
}

void CKestrelInstallerDlg::OnBnClickedFactoryReset() {
    const int mark = deviceList_->selectionMark();
    if (!model_->hasRow(mark)) return;
    const kestrel::DeviceRecord record = model_->record(mark);
    CFactoryReset dialog(
        record,
        [this](const std::string& lowerMac, const std::string& currentIp, const std::string& userId,
               const std::string& password) {
            sendFactoryReset(lowerMac, currentIp, userId, password);
        },
        this);
    dialog.exec();
}

}  // namespace fendrix
