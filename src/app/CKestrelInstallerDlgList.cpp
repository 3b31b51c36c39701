// What the user does with the device list's rows: a click makes the current
// row, a double-click opens the web interface, the context menu writes an
// upgrade batch file or exports the list; the device commands and the
// factory panel act on the row the user chose.
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>

#include "app/CKestrelInstallerDlg.h"
#include "commands/network_change_request.h"
#include "factory/upgrade_file.h"
#include "string_table.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/CFactoryReset.h"
#include "ui/CIPSetDialog.h"
#include "ui/DeviceListModel.h"
#include "ui/ElidedLabel.h"
#include "ui/ListExport.h"
#include "wire/address_text.h"

namespace fendrix {

namespace {
// Writes the upgrade batch file for `ip` beside the program's folder and
// answers what to tell the user.
QString writeUpgradeBatchFile(const std::string& programPath, const std::string& address) {
    // The address becomes part of a file name and of a command line: only a
    // canonical IPv4 address may do either.
    if (!kestrel::isCanonicalIPv4(address))
        return QStringLiteral("\"%1\" is not a valid IPv4 address; no upgrade file was written.")
            .arg(QString::fromLatin1(address));
    const auto path = kestrel::upgradeBatchPath(programPath, address, QDir::separator().toLatin1());
    if (!path)
        return QStringLiteral(
            "The program's folder has no parent folder; no upgrade file was written.");
    const QString fileName = QString::fromStdString(*path);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return QStringLiteral("%1 could not be created: %2").arg(fileName, file.errorString());
    const std::string content = kestrel::upgradeBatchContent(address);
    const qint64 written = file.write(content.data(), static_cast<qint64>(content.size()));
    const bool flushed = file.flush();
    if (written != static_cast<qint64>(content.size()) || !flushed)
        return QStringLiteral("%1 could not be written: %2").arg(fileName, file.errorString());
    file.close();
    return QStringLiteral("Upgrade file creation complete");
}
}  // namespace

void CKestrelInstallerDlg::UpdateCurrentRow(int row) {
    currentRow_ = row;
    if (!model_->hasRow(row)) {
        clicked_.reset();
        selectionLine_->setText(QString::fromLatin1(kChooseEquipment));
        status_->clear();
        return;
    }
    const kestrel::DeviceRecord& record = model_->record(row);
    clicked_ = ClickedController{record.mac, record.ip};
    selectionLine_->setText(QStringLiteral("[No.%1] %2 - %3")
                                .arg(row + 1)
                                .arg(model_->cell(row, kestrel::ColMacAddress),
                                     model_->cell(row, kestrel::ColIpAddress)));
    status_->setText(model_->cell(row, kestrel::ColStatus));
}

const kestrel::DeviceRecord* CKestrelInstallerDlg::clickedRecord() const {
    if (!clicked_ || !model_->hasRow(currentRow_)) return nullptr;
    // A scan keeps the index but may have put another controller there.
    const kestrel::DeviceRecord& record = model_->record(currentRow_);
    if (kestrel::lowerText(record.mac) != kestrel::lowerText(clicked_->mac) ||
        record.ip != clicked_->ip)
        return nullptr;
    return &record;
}

void CKestrelInstallerDlg::openWebInterface() {
    const int mark = deviceList_->selectionMark();
    if (!model_->hasRow(mark)) return;
    const kestrel::DeviceRecord& record = model_->record(mark);
    // Only a canonical address goes to the browser: the text came off the
    // wire and must not turn into another URL or a path.
    if (!kestrel::isCanonicalIPv4(record.ip)) return;
    seams_.desktop.openUrl("http://" + record.ip + ":" + std::to_string(record.http_port));
}

void CKestrelInstallerDlg::offerRowMenu(int row, const QPoint& globalPos) {
    UpdateCurrentRow(row);
    // The menu follows the list's selection, not the row under the pointer,
    // and reads that row's record.
    const int selected = deviceList_->firstSelectedRow();
    if (!model_->hasRow(selected)) return;
    const kestrel::DeviceRecord& record = model_->record(selected);

    QMenu menu(this);
    QAction* create = nullptr;
    // The upgrade file only for a controller with old firmware.
    if (kestrel::isOldFirmware(record.firmware_version)) {
        upgradeTargetIp_ = record.ip;
        create = menu.addAction(QStringLiteral("Create Upgrade File"));
        create->setData(res::ID_CREATE_UPGRADE_FILE);
    }
    QAction* exportAll = menu.addAction(QStringLiteral("Export List..."));
    QAction* chosen = menuRunner_(menu, globalPos);
    if (chosen && chosen == create)
        prompt(writeUpgradeBatchFile(seams_.desktop.programPath(), upgradeTargetIp_));
    else if (chosen && chosen == exportAll) exportList();
}

void CKestrelInstallerDlg::exportList() {
    const auto chosen = seams_.prompts.askSavePath("Export List", exportFilters());
    if (!chosen) return;
    QString path = QString::fromStdString(chosen->path);
    const kestrel::RowFormat format = exportFormat(path, QString::fromStdString(chosen->filter));
    if (const auto error = exportRows(model_->devices(), path, format))
        prompt(QStringLiteral("The list could not be exported to %1: %2")
                   .arg(QDir::toNativeSeparators(path), *error));
}

// The dialogs keep their own copy of the record: rows may be cleared while
// they are open.
void CKestrelInstallerDlg::onNetworkChangeClicked() {
    const int mark = deviceList_->selectionMark();
    if (!model_->hasRow(mark)) return;
    CIPSetDialog dialog(
        model_->record(mark),
        [this](const kestrel::NetworkChangeValues& values) { sendNetworkChange(values); }, this);
    dialog.exec();
}

void CKestrelInstallerDlg::onFactoryResetClicked() {
    const int mark = deviceList_->selectionMark();
    if (!model_->hasRow(mark)) return;
    CFactoryReset dialog(
        model_->record(mark),
        [this](const std::string& lowerMac, const std::string& currentIp, const std::string& userId,
               const std::string& password) {
            sendFactoryReset(lowerMac, currentIp, userId, password);
        },
        this);
    dialog.exec();
}

void CKestrelInstallerDlg::onApplyRequested(int oemIndex, const std::string& newMac) {
    const kestrel::DeviceRecord* record = clickedRecord();
    if (!record) {
        prompt(QString::fromLatin1(kSelectEquipment));
        return;
    }
    // A copy: a message box's event loop may clear the rows meanwhile.
    const kestrel::DeviceRecord target = *record;
    sendOemMacRequest(kestrel::lowerText(target.mac), target.ip, oemIndex, newMac);
}

}  // namespace fendrix
