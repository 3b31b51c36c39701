// What the mouse, the keyboard and the clipboard do with the device list, and
// the upgrade batch file its context menu writes.
#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>

#include "app/CKestrelInstallerDlg.h"
#include "factory/upgrade_file.h"
#include "strings.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

namespace fendrix {

namespace {
// Shows the wait cursor for the lifetime of the object.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
}  // namespace

void CKestrelInstallerDlg::UpdateCurrentRow(int row) {
    currentRow_ = row;
    UpdateData(true);
    if (!model_->hasRow(row)) {
        selectionLineText_ = QString::fromLatin1(kChooseEquipment);
        statusText_.clear();
    } else {
        selectionLineText_ = QStringLiteral("[No.%1] %2 - %3")
                                 .arg(row + 1)
                                 .arg(model_->cell(row, kestrel::ColMacAddress),
                                      model_->cell(row, kestrel::ColIpAddress));
        statusText_ = model_->cell(row, kestrel::ColStatus);
    }
    UpdateData(false);
}

void CKestrelInstallerDlg::OnClickDeviceList(int row) { UpdateCurrentRow(row); }

void CKestrelInstallerDlg::OnDblclkDeviceList() {
    const int mark = deviceList_->selectionMark();
    if (!model_->hasRow(mark)) return;
    const kestrel::DeviceRecord& record = model_->record(mark);
    // Only a plain dotted address goes to the browser: the text came off the
    // wire and must not turn into another URL or a path.
    if (!kestrel::isDottedIPv4(record.ip)) return;
    seams_.desktop.openUrl("http://" + record.ip + ":" + std::to_string(record.http_port));
}

bool CKestrelInstallerDlg::CopySelectedMac() {
    if (deviceList_->firstSelectedRow() < 0) return true;
    const WaitCursor wait;
    QString text;
    for (int row = 0; row < model_->rowCount(); ++row)
        if (deviceList_->selectionModel()->isRowSelected(row, {}))
            text += model_->cell(row, kestrel::ColMacAddress);
    return PutTextOnClipboard(text);
}

bool CKestrelInstallerDlg::CopyAllMacs() {
    if (deviceList_->firstSelectedRow() < 0) return true;
    const WaitCursor wait;
    QString text;
    for (int row = 0; row < model_->rowCount(); ++row)
        text += model_->cell(row, kestrel::ColMacAddress) + QStringLiteral("\r\n");
    return PutTextOnClipboard(text);
}

bool CKestrelInstallerDlg::PutTextOnClipboard(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return false;
    clipboard->setText(text);
    return true;
}

void CKestrelInstallerDlg::OnRclickDeviceList(int row, const QPoint& globalPos) {
    UpdateCurrentRow(row);
    const int selected = deviceList_->firstSelectedRow();
    if (selected < 0) return;
    const QByteArray version = model_->cell(selected, kestrel::ColVersion).toLatin1();
    if (!kestrel::isOldFirmware(
            std::string_view(version.constData(), static_cast<std::size_t>(version.size()))))
        return;
    upgradeTargetIp_ = model_->cell(selected, kestrel::ColIpAddress);

    QMenu menu(this);
    QAction* create = menu.addAction(QStringLiteral("Create Upgrade File"));
    create->setData(res::ID_CREATE_UPGRADE_FILE);
    if (menuRunner_(menu, globalPos) == create) writeUpgradeBatchFile();
}

void CKestrelInstallerDlg::writeUpgradeBatchFile() {
    const std::string ip = upgradeTargetIp_.toStdString();
    // The address becomes part of a file name and of a command line: only a
    // plain dotted IPv4 address may do either.
    if (!kestrel::isDottedIPv4(ip)) {
        prompt(QStringLiteral("\"%1\" is not a valid IPv4 address; no upgrade file was written.")
                   .arg(upgradeTargetIp_));
        return;
    }
    const auto path =
        kestrel::upgradeBatchPath(seams_.desktop.programPath(), ip, QDir::separator().toLatin1());
    if (!path) {
        prompt(
            QStringLiteral("The program's folder has no parent folder; no upgrade file was "
                           "written."));
        return;
    }
    const QString fileName = QString::fromStdString(*path);
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        prompt(QStringLiteral("%1 could not be created: %2").arg(fileName, file.errorString()));
        return;
    }
    const std::string content = kestrel::upgradeBatchContent(ip);
    const qint64 written = file.write(content.data(), static_cast<qint64>(content.size()));
    const bool flushed = file.flush();
    if (written != static_cast<qint64>(content.size()) || !flushed) {
        prompt(QStringLiteral("%1 could not be written: %2").arg(fileName, file.errorString()));
        return;
    }
    file.close();
    prompt(QStringLiteral("Upgrade file creation complete"));
}

}  // namespace fendrix
