// Adapters, the socket, sending, the capture and the replies it brings.
#include <QComboBox>
#include <QMetaObject>
#include <cstdio>
#include <string>
#include <variant>

#include "app/CKestrelInstallerDlg.h"
#include "commands/factory_reset_request.h"
#include "factory/oem_mac_request.h"
#include "net/adapter_rules.h"
#include "net/capture_hints.h"
#include "net/request_header.h"
#include "net/result_reply.h"
#include "ui/DeviceListModel.h"
#include "ui/DeviceListPump.h"
#include "ui/FactoryPanel.h"

namespace fendrix {

namespace {

// The window's diagnostic lines: the core reports, the window writes.
void printLine(std::FILE* stream, const std::string& line) {
    std::fprintf(stream, "%s\n", line.c_str());
    std::fflush(stream);
}

// Every loop that ends with a negative result, also on request, gets its line.
void printCaptureNote(const kestrel::CaptureNote& note) {
    if (note.kind == kestrel::CaptureNote::Kind::LoopEnded)
        printLine(stdout, "[CKestrelInstallerDlg::pcapInit:531] Can't pcap_loop");
    else printLine(stderr, note.text);
}

// A unicast that the system did not take whole: fewer bytes left than asked for.
void reportUnicast(kestrel::SendOutcome outcome) {
    if (outcome != kestrel::SendOutcome::Sent)
        printLine(stdout, "#### Error: Send Scan Done! -2 ####");
}
}  // namespace

const kestrel::AdapterEntry* CKestrelInstallerDlg::selectedAdapter() const {
    const int position = adapterSelector_->currentIndex();
    if (position < 0 || position >= static_cast<int>(adapters_.size())) return nullptr;
    return &adapters_[static_cast<std::size_t>(position)];
}

const kestrel::AdapterEntry* CKestrelInstallerDlg::requireAdapter(WithoutAdapter then) {
    const kestrel::AdapterEntry* adapter = selectedAdapter();
    if (adapter) return adapter;
    prompt(QString::fromLatin1(kCheckNetwork));
    if (then == WithoutAdapter::EndProgram) seams_.desktop.exitProcess(1);
    return nullptr;
}

void CKestrelInstallerDlg::loadAdapters() {
    const auto table = seams_.adapters.list();
    if (!table) return;  // the selector stays empty; later operations say so
    const QSignalBlocker block(adapterSelector_);
    for (auto& entry : kestrel::usableAdapters(*table)) {
        adapterSelector_->insertItem(adapterSelector_->count(),
                                     QString::fromLocal8Bit(entry.description));
        adapters_.push_back(std::move(entry));
    }
    if (!adapters_.empty()) adapterSelector_->setCurrentIndex(0);
}

kestrel::SegmentLinkEvents CKestrelInstallerDlg::linkEvents() {
    kestrel::SegmentLinkEvents events;
    // The worker only wakes the window; the window drains on its own thread.
    events.replies_waiting = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (pump_) pump_->drain();
            },
            Qt::QueuedConnection);
    };
    // The capture's and the queue's diagnostic lines, written by the window.
    events.notes = printCaptureNote;
    // A loop that dies by itself (link deleted, device down, the helper
    // killed) is handed over as text, and shown once, here, unless this
    // capture has been replaced or the window is closing by then.
    events.lost = [this](const kestrel::CaptureError& error, unsigned run) {
        QMetaObject::invokeMethod(
            this,
            [this, run, message = error.message] {
                if (destroyed_ || run != link_.captureRun()) return;
                prompt(QString::fromStdString(message));
            },
            Qt::QueuedConnection);
    };
    return events;
}

void CKestrelInstallerDlg::openSocket() {
    // Closes the socket still open first. A refused broadcast option leaves
    // the socket closed; the socket layer's line goes to standard error.
    const auto opened = link_.openSocket();
    if (!opened && !opened.diagnostic.empty()) printLine(stderr, opened.diagnostic);
}

void CKestrelInstallerDlg::activateAdapter() {
    // A loss reported by the old capture is no longer news after this.
    if (captureStarted_) link_.stopCapture();
    openSocket();
    // Without an adapter nothing is captured or sent; the window stays open.
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::GoOn);
    if (!adapter) return;
    if (!link_.bindSocket(*adapter)) {
        std::fputs("bind() 실행 에러\n", stdout);
        std::fflush(stdout);
        seams_.desktop.exitProcess(1);
        return;
    }
    startCapture(*adapter);
}

void CKestrelInstallerDlg::startCapture(const kestrel::AdapterEntry& adapter) {
    captureStarted_ = true;
    const auto error = link_.startCapture(adapter);
    if (!error) {
        warnIfOnlySocket();
        return;
    }
    if (error->kind == kestrel::CaptureError::Kind::ListFailed) {
        seams_.desktop.exitProcess(1);
        return;
    }
    // Nothing receives replies (no device for the adapter, no capture and
    // no socket either): say so once; the window stays usable (sending
    // still works).
    prompt(QString::fromStdString(error->message));
}

void CKestrelInstallerDlg::warnIfOnlySocket() {
    // Replies come through a plain socket for want of a capture: say why and
    // what is missed, once for as long as the reason stays the same (a user
    // outside the group is not told again at every change of adapter).
    const auto receiver = link_.receiver();
    if (!receiver || !receiver->capture_unavailable) return;
    const std::string text =
        "Capture is unavailable: " + kestrel::socketReceiverText(*receiver->capture_unavailable);
    if (text == socketWarningShown_) return;
    socketWarningShown_ = text;
    prompt(QString::fromStdString(text));
}

void CKestrelInstallerDlg::sendBroadcast(const kestrel::AdapterEntry& adapter,
                                         kestrel::ByteSpan bytes) {
    link_.sendBroadcast(adapter, bytes);
}

void CKestrelInstallerDlg::sendToController(const kestrel::AdapterEntry& adapter,
                                            kestrel::ByteSpan bytes,
                                            std::string_view controllerIp) {
    const auto sent = link_.sendToController(adapter, bytes, controllerIp);
    if (sent.unicast) reportUnicast(sent.outcome);
}

void CKestrelInstallerDlg::startScan() {
    model_->clear();
    // Without an adapter the list is only emptied; activating one said so.
    const kestrel::AdapterEntry* adapter = selectedAdapter();
    if (!adapter) return;
    sendBroadcast(*adapter, kestrel::buildScanRequest(adapter->mac_text));
}

void CKestrelInstallerDlg::sendOemMacRequest(const std::string& targetMac,
                                             const std::string& controllerIp, int oemIndex,
                                             const std::string& newMac) {
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::EndProgram);
    if (!adapter) return;
    sendToController(
        *adapter,
        kestrel::buildOemMacRequest(adapter->mac_text, targetMac, controllerIp, oemIndex, newMac),
        controllerIp);
}

void CKestrelInstallerDlg::sendNetworkChange(const kestrel::NetworkChangeValues& values) {
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::EndProgram);
    if (!adapter) return;
    sendToController(*adapter, kestrel::buildNetworkChangeRequest(*adapter, values),
                     values.current_ip);
}

void CKestrelInstallerDlg::sendFactoryReset(const std::string& lowerMac,
                                            const std::string& currentIp, const std::string& userId,
                                            const std::string& password) {
    // Without an adapter nothing is sent and the program goes on.
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::GoOn);
    if (!adapter) return;
    sendToController(
        *adapter,
        kestrel::buildFactoryResetRequest(*adapter, lowerMac, currentIp, userId, password),
        currentIp);
}

void CKestrelInstallerDlg::startReplyPump() {
    pump_ = new DeviceListPump(link_.replies(), *model_, this);
    pump_->setReplyHandler([this](kestrel::ReplyEvent& reply, std::uint64_t position) {
        handleReply(reply, position);
    });
    pump_->setWarn([this](const QString& text) { prompt(text); });
}

void CKestrelInstallerDlg::handleReply(kestrel::ReplyEvent& reply, std::uint64_t /*position*/) {
    if (auto* result = std::get_if<kestrel::ResultReplyEvent>(&reply))
        handleResultReply(result->result);
    else if (auto* apply = std::get_if<kestrel::ApplyReplyEvent>(&reply))
        factoryPanel_->showApplyReply(apply->reply);
}

void CKestrelInstallerDlg::handleResultReply(std::uint8_t result) {
    if (const auto message = kestrel::resultMessage(result))
        prompt(QString::fromLatin1(message->data(), static_cast<qsizetype>(message->size())),
               kestrel::PromptIcon::Information);
    startScan();
}

}  // namespace fendrix
