// Adapters, the socket, sending, the capture and the replies it brings.
#include <QComboBox>
#include <QMetaObject>
#include <cstdio>
#include <string>
#include <variant>

#include "app/CKestrelInstallerDlg.h"
#include "commands/factory_reset_request.h"
#include "factory/oem_mac_request.h"
#include "output/safe_text.h"
#include "transport/adapter_rules.h"
#include "transport/capture_hints.h"
#include "ui/DeviceListModel.h"
#include "ui/DeviceListPump.h"
#include "ui/FactoryPanel.h"
#include "wire/request_header.h"
#include "wire/result_reply.h"

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

// Ignored result and apply replies written to stderr one by one; beyond
// these, every thousandth.
constexpr std::size_t kIgnoredAnswersWritten = 100;
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
    // The rows' tooltips check them against the PC as it is now.
    model_->setAdapter(adapter ? std::optional(*adapter) : std::nullopt);
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

void CKestrelInstallerDlg::sendToController(kestrel::ByteSpan bytes,
                                            std::string_view controllerIp) {
    const auto sent = link_.sendToController(bytes, controllerIp);
    if (sent.unicast) reportUnicast(sent.outcome);
}

void CKestrelInstallerDlg::startScan() {
    model_->clear();
    // Without an adapter the list is only emptied; activating one said so.
    const kestrel::AdapterEntry* adapter = selectedAdapter();
    if (!adapter) return;
    link_.sendBroadcast(kestrel::buildScanRequest(adapter->mac_text));
}

void CKestrelInstallerDlg::sendOemMacRequest(const std::string& targetMac,
                                             const std::string& controllerIp, int oemIndex,
                                             const std::string& newMac) {
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::EndProgram);
    if (!adapter) return;
    awaitAnswer(kestrel::AnswerKind::Apply, targetMac);
    sendToController(
        kestrel::buildOemMacRequest(adapter->mac_text, targetMac, controllerIp, oemIndex, newMac),
        controllerIp);
}

void CKestrelInstallerDlg::sendNetworkChange(const kestrel::NetworkChangeValues& values) {
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::EndProgram);
    if (!adapter) return;
    awaitAnswer(kestrel::AnswerKind::Result, values.target_mac);
    sendToController(kestrel::buildNetworkChangeRequest(*adapter, values), values.current_ip);
}

void CKestrelInstallerDlg::sendFactoryReset(const std::string& lowerMac,
                                            const std::string& currentIp, const std::string& userId,
                                            const std::string& password) {
    // Without an adapter nothing is sent and the program goes on.
    const kestrel::AdapterEntry* adapter = requireAdapter(WithoutAdapter::GoOn);
    if (!adapter) return;
    awaitAnswer(kestrel::AnswerKind::Result, lowerMac);
    sendToController(
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

void CKestrelInstallerDlg::awaitAnswer(kestrel::AnswerKind kind, const std::string& controllerMac) {
    // Taken before the request leaves: even an answer handed over at once
    // comes later. A new request replaces the one still unanswered.
    awaited_ = kestrel::AwaitedAnswer{kind, controllerMac, link_.replies().accepted()};
}

void CKestrelInstallerDlg::handleReply(const kestrel::ReplyEvent& event, std::uint64_t position) {
    const auto* result = std::get_if<kestrel::ResultReplyEvent>(&event);
    const auto* apply = std::get_if<kestrel::ApplyReplyEvent>(&event);
    if (!result && !apply) return;
    // Anyone on the segment can send to the reply port: only the answer to
    // the window's own request, from its controller, of its kind and after
    // it left, gets a box (and, for a result, the rescan). The first such
    // answer settles the request, so a copy or a replay of it answers nothing.
    if (awaited_ &&
        kestrel::judgeReply(*awaited_, event, position) == kestrel::AnswerVerdict::Answer) {
        awaited_.reset();
        if (result) handleResultReply(result->result);
        else factoryPanel_->showApplyReply(apply->reply);
        return;
    }
    ++ignoredAnswers_;
    // A line for each, with the count; a flood is counted in full but
    // written only now and then.
    if (ignoredAnswers_ > kIgnoredAnswersWritten && ignoredAnswers_ % 1000 != 0) return;
    printLine(stderr, std::string("Ignored ") + (result ? "a result" : "an apply") +
                          " reply from \"" +
                          kestrel::terminalText(result ? result->sender : apply->sender) +
                          "\": it answers no request of this window (" +
                          std::to_string(ignoredAnswers_) + " ignored so far)");
}

void CKestrelInstallerDlg::handleResultReply(std::uint8_t result) {
    if (const auto message = kestrel::resultMessage(result))
        prompt(QString::fromLatin1(message->data(), static_cast<qsizetype>(message->size())),
               kestrel::PromptIcon::Information);
    startScan();
}

}  // namespace fendrix
