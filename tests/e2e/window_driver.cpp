// fendrix-e2e-window: the real main window on the real network seams, driven
// by a small script for end-to-end tests in a network namespace, with the
// GUI tests' hands (WindowDriver, tests/gui/support). Message boxes and the
// desktop are replaced by lines on standard output:
//   PROMPT <warning|information>: <text>     (answered OK at once)
//   SAVE <title>                              (a save dialog, answered by the
//                                              path of the export command)
//   OPEN <url>
//   EXIT <code>                               (and the process ends)
//   WINDOW <epoch ms>                         (once the window is constructed,
//                                              when its start-up scan timer runs)
//   RECEIVER <helper|in-process|socket|none>  (which receiver its capture chose)
// Usage: fendrix-e2e-window [window arguments...] --script "wait-rows 3 3000; dump; quit"
// Commands: wait MS | scan | select-adapter N|IP | click ROW | rclick ROW |
//   dblclick ROW | oem N | mac TEXT | apply | dump | count | labels | adapters |
//   wait-rows N MS | wait-prompts N MS | wait-sent N MS | mark TEXT |
//   export PATH | quit
//   The wait-* commands wait until the window holds N rows, has shown N
//   prompts, or has sent N datagrams since start, and print "ROWS <n>",
//   "SHOWN <n>" or "SENT <n>" (with " TIMEOUT" when MS passed first). A plain
//   "wait" only lets time pass: for proving that nothing more comes, or for
//   timing on purpose, never for readiness.
//   ROW is a row index or a MAC text (the row whose "MAC Address" cell it is);
//   select-adapter takes a position in the selector or an adapter's address.
//   dump prints the rows as a JSON array, adapters "ADAPTERS [...]".
//   export right-clicks the first row, picks "Export List..." and answers
//   the save dialog with PATH (its extension chooses the format).
// Device commands press their button and work the modal dialog that opens:
//   netcfg [dhcp|static] [ip=A] [mask=A] [gateway=A] [dns1=A] [dns2=A]
//          [server=A] [https=0|1] [http=PORT] [https-port=PORT] [user=T]
//          [password=T] [cancel]
//   reset [user=T] [password=T] [cancel]
// They print "DIALOG {...}" with the controls as the dialog opened, or
// "NO DIALOG" when the button opened none. An address value "-" blanks the
// control; values cannot hold spaces.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "WindowDriver.h"
#include "discovery/row_texts.h"
#include "output/device_rows.h"
#include "transport/capture_chooser.h"
#include "transport/datagram_socket.h"
#include "transport/platform.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"
#include "ui/IpAddressEdit.h"

using fendrix::CKestrelInstallerDlg;
using fendrix::IpAddressEdit;
using namespace fendrix::testing;

namespace {

class PrintingPrompts : public kestrel::Prompts {
public:
    void show(std::string_view text, kestrel::PromptIcon icon) override {
        std::printf("PROMPT %s: %.*s\n",
                    icon == kestrel::PromptIcon::Information ? "information" : "warning",
                    static_cast<int>(text.size()), text.data());
        std::fflush(stdout);
        ++shown_;
    }
    std::optional<kestrel::SaveChoice> askSavePath(std::string_view title,
                                                   const std::vector<std::string>&) override {
        std::printf("SAVE %.*s\n", static_cast<int>(title.size()), title.data());
        std::fflush(stdout);
        return std::exchange(nextSave, std::nullopt);
    }
    int shown() const { return shown_; }

    std::optional<kestrel::SaveChoice> nextSave;  // the answer of the next save dialog

private:
    int shown_ = 0;
};

// The real socket, counting the datagrams that the window sends.
class CountingSocket : public kestrel::DatagramSocket {
public:
    explicit CountingSocket(kestrel::DatagramSocket& real) : real_(real) {}
    kestrel::SocketOpenResult open() override { return real_.open(); }
    bool bind(const kestrel::AdapterEntry& adapter) override { return real_.bind(adapter); }
    long sendTo(std::string_view ip, std::uint16_t port, kestrel::ByteSpan bytes) override {
        const long result = real_.sendTo(ip, port, bytes);
        if (result >= 0) ++sent_;
        return result;
    }
    void close() override { real_.close(); }
    bool isOpen() const override { return real_.isOpen(); }
    int sent() const { return sent_; }

private:
    kestrel::DatagramSocket& real_;
    int sent_ = 0;
};

class PrintingDesktop : public kestrel::Desktop {
public:
    void openUrl(const std::string& url) override {
        std::printf("OPEN %s\n", url.c_str());
        std::fflush(stdout);
    }
    std::string programPath() override {
        return QCoreApplication::applicationFilePath().toStdString();
    }
    void exitProcess(int code) override {
        std::printf("EXIT %d\n", code);
        std::fflush(nullptr);
        std::_Exit(code);
    }
};

std::string trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

std::vector<std::string> splitCommands(const std::string& script) {
    std::vector<std::string> out;
    std::string current;
    for (char c : script) {
        if (c == ';') {
            if (auto t = trim(current); !t.empty()) out.push_back(t);
            current.clear();
        } else {
            current += c;
        }
    }
    if (auto t = trim(current); !t.empty()) out.push_back(t);
    return out;
}

void printJson(const nlohmann::json& j, const char* prefix = "") {
    std::printf("%s%s\n", prefix,
                j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    std::fflush(stdout);
}

// A device-command dialog: its class, the main-window button that opens it,
// its template's control table, its controls by script key and number, and
// its two buttons.
struct DialogForm {
    const char* className;
    int openButton;
    std::span<const ControlName> table;
    std::map<std::string, int> controls;
    int confirm;
    int cancel;
};

const DialogForm kNetworkChangeForm{"fendrix::CIPSetDialog",
                                    IDC_NETWORK_CHANGE,
                                    kNetworkSettingsControls,
                                    {{"dhcp", 1013},
                                     {"static", 1014},
                                     {"ip", 1015},
                                     {"mask", 1016},
                                     {"gateway", 1017},
                                     {"dns1", 1021},
                                     {"dns2", 1022},
                                     {"server", 1018},
                                     {"https", 1023},
                                     {"http", 1024},
                                     {"https-port", 1025},
                                     {"user", 1020},
                                     {"password", 1026}},
                                    1,
                                    2};

const DialogForm kFactoryResetForm{"fendrix::CFactoryReset",
                                   IDC_FACTORY_RESET,
                                   kFactoryResetControls,
                                   {{"user", 1034}, {"password", 1035}},
                                   1008,
                                   1009};

nlohmann::json controlValue(const QWidget* w) {
    if (const auto* address = qobject_cast<const IpAddressEdit*>(w))
        return address->isBlank() ? std::string() : address->text().toStdString();
    if (const auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text().toStdString();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) return button->isChecked();
    return nullptr;
}

// Sets a control as a user would; false when the value does not fit it.
bool setControl(QWidget* w, const std::string& value) {
    const QString text = QString::fromStdString(value);
    if (auto* address = qobject_cast<IpAddressEdit*>(w)) {
        if (value == "-") {
            address->clear();
            return true;
        }
        address->setAddress(text);
        return address->text() == text;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(w)) {
        edit->setText(text);
        return true;
    }
    if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        if (!value.empty()) return false;
        radio->click();
        return true;
    }
    if (auto* box = qobject_cast<QCheckBox*>(w)) {
        if (value != "0" && value != "1") return false;
        if (box->isChecked() != (value == "1")) box->click();
        return true;
    }
    return false;
}

// Runs the script's commands on the window, with the hands that the GUI
// tests use too.
class Script {
public:
    Script(WindowDriver& driver, PrintingPrompts& prompts, const CountingSocket& socket)
        : driver_(driver), window_(*driver.window), prompts_(prompts), socket_(socket) {
        closeMenus();
    }

    // Answers false for an unknown or malformed command.
    bool run(const std::string& command) {
        const auto space = command.find(' ');
        const std::string verb = command.substr(0, space);
        const std::string arg = space == std::string::npos ? "" : trim(command.substr(space + 1));
        if (verb == "wait") return number(arg, [](int ms) { QTest::qWait(ms); });
        if (verb == "scan") return driver_.press(IDC_SCAN);
        if (verb == "apply") return driver_.press(IDC_APPLY);
        if (verb == "select-adapter") return selectAdapter(arg);
        if (verb == "oem")
            return number(arg,
                          [&](int n) { driver_.control<QComboBox>(IDC_OEM)->setCurrentIndex(n); });
        if (verb == "mac") {
            driver_.control<QLineEdit>(IDC_MAC)->setText(QString::fromStdString(arg));
            return true;
        }
        if (verb == "click") return rowCommand(arg, [&](int row) { driver_.clickRow(row); });
        if (verb == "rclick")
            return rowCommand(arg, [&](int row) { driver_.clickRow(row, Qt::RightButton); });
        if (verb == "dblclick")
            return rowCommand(arg, [&](int row) { driver_.doubleClickRow(row); });
        if (verb == "netcfg") return deviceCommand(kNetworkChangeForm, arg);
        if (verb == "reset") return deviceCommand(kFactoryResetForm, arg);
        if (verb == "mark") {
            std::printf("MARK %s\n", arg.c_str());
            std::fflush(stdout);
            return true;
        }
        if (verb == "dump") return dump();
        if (verb == "export") return exportList(arg);
        if (verb == "count") {
            std::printf("ROWS %d\n", driver_.rowCount());
            std::fflush(stdout);
            return true;
        }
        if (verb == "labels") return labels();
        if (verb == "adapters") return adapters();
        if (verb == "wait-rows") return waitCount(arg, "ROWS", [&] { return driver_.rowCount(); });
        if (verb == "wait-prompts")
            return waitCount(arg, "SHOWN", [&] { return prompts_.shown(); });
        if (verb == "wait-sent") return waitCount(arg, "SENT", [&] { return socket_.sent(); });
        if (verb == "quit") {
            window_.close();
            return true;
        }
        return false;
    }

private:
    bool exportList(const std::string& path) {
        if (path.empty() || driver_.rowCount() == 0) return false;
        prompts_.nextSave = kestrel::SaveChoice{path, {}};
        bool picked = false;
        window_.setMenuRunner([&picked](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions())
                if (action->text() == QLatin1String("Export List...")) {
                    picked = true;
                    return action;
                }
            return nullptr;
        });
        driver_.clickRow(0, Qt::RightButton);
        closeMenus();
        return picked;
    }

    // A popup menu closes unchosen at once: a real one would wait for a user.
    void closeMenus() {
        window_.setMenuRunner([](QMenu&, const QPoint&) -> QAction* { return nullptr; });
    }

    template <typename F>
    static bool number(const std::string& text, F&& action) {
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0') return false;
        action(static_cast<int>(value));
        return true;
    }

    // ROW is an index, or a MAC text naming the row that shows it (any case).
    template <typename F>
    bool rowCommand(const std::string& arg, F&& action) {
        if (arg.find(':') == std::string::npos) return number(arg, action);
        const int row = driver_.rowShowing(QString::fromStdString(arg));
        if (row < 0) {
            std::fprintf(stderr, "fendrix-e2e-window: no row shows %s\n", arg.c_str());
            return false;
        }
        action(row);
        return true;
    }

    // Presses the form's button and works the modal dialog it opens: prints
    // it, sets the controls and presses the dialog's confirm or cancel button.
    bool deviceCommand(const DialogForm& form, const std::string& arg) {
        std::vector<std::pair<int, std::string>> settings;
        bool cancel = false;
        std::istringstream tokens(arg);
        for (std::string token; tokens >> token;) {
            if (token == "cancel") {
                cancel = true;
                continue;
            }
            const auto eq = token.find('=');
            const std::string key = token.substr(0, eq);
            const auto control = form.controls.find(key);
            if (control == form.controls.end()) return false;
            settings.emplace_back(control->second,
                                  eq == std::string::npos ? std::string() : token.substr(eq + 1));
        }
        bool fitted = true;
        const auto run = driver_.workDialog(form.openButton, [&](QDialog& dialog) {
            nlohmann::json values = nlohmann::json::object();
            auto disabled = nlohmann::json::array();
            for (const auto& [key, id] : form.controls) {
                const auto* w = findControl(dialog, form.table, id);
                values[key] = w ? controlValue(w) : nlohmann::json();
                if (w && !w->isEnabled()) disabled.push_back(key);
            }
            printJson({{"title", dialog.windowTitle().toStdString()},
                       {"values", values},
                       {"disabled", disabled}},
                      "DIALOG ");
            for (const auto& [id, value] : settings) {
                auto* w = findControl(dialog, form.table, id);
                if (!w || !setControl(w, value)) {
                    std::fprintf(stderr, "fendrix-e2e-window: cannot set %s to \"%s\"\n",
                                 controlName(form.table, id), value.c_str());
                    fitted = false;
                }
            }
            // A value that did not fit cancels: nothing half-set is sent.
            findControl<QPushButton>(dialog, form.table,
                                     fitted && !cancel ? form.confirm : form.cancel)
                ->click();
        });
        if (run == WindowDriver::DialogRun::ButtonHidden) return false;
        if (run == WindowDriver::DialogRun::NoneOpened) {
            std::printf("NO DIALOG\n");
            std::fflush(stdout);
        }
        return fitted;
    }

    bool dump() {
        // The rows as fendrix-cli writes them, on one line.
        std::ostringstream rows;
        kestrel::writeDeviceRows(rows, window_.deviceModel().devices(), kestrel::RowFormat::Json);
        printJson(nlohmann::json::parse(rows.str()));
        return true;
    }

    bool labels() {
        auto text = [&](int id) { return driver_.text(id).toStdString(); };
        printJson({{"selection_line", text(IDC_SELECTION_LINE)},
                   {"status", text(IDC_STATUS)},
                   {"apply_result", text(IDC_APPLY_RESULT)},
                   {"apply_mark", text(IDC_APPLY_MARK)},
                   {"mac_entry", text(IDC_MAC)},
                   {"current_row", window_.currentRow()},
                   {"factory_mode", window_.factoryMode()}});
        return true;
    }

    bool adapters() {
        auto list = nlohmann::json::array();
        for (const auto& a : window_.adapters())
            list.push_back({{"description", a.description},
                            {"ip_text", a.ip_text},
                            {"mac_text", a.mac_text},
                            {"if_name", a.if_name}});
        printJson(list, "ADAPTERS ");
        return true;
    }

    // N: a position in the selector; an address: the adapter that has it.
    bool selectAdapter(const std::string& arg) {
        auto* selector = driver_.control<QComboBox>(IDC_ADAPTER);
        if (arg.find('.') == std::string::npos)
            return number(arg, [&](int n) { selector->setCurrentIndex(n); });
        const auto& list = window_.adapters();
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].ip_text == arg) {
                selector->setCurrentIndex(static_cast<int>(i));
                return true;
            }
        }
        std::fprintf(stderr, "fendrix-e2e-window: no adapter has %s\n", arg.c_str());
        return false;
    }

    // "N MS": waits until count() reaches N, at most MS, and prints the count.
    template <typename F>
    static bool waitCount(const std::string& arg, const char* label, F&& count) {
        int want = 0, ms = 0;
        if (std::sscanf(arg.c_str(), "%d %d", &want, &ms) != 2) return false;
        const bool reached = WindowDriver::waitFor([&] { return count() >= want; }, ms);
        std::printf("%s %d%s\n", label, count(), reached ? "" : " TIMEOUT");
        std::fflush(stdout);
        return true;
    }

    WindowDriver& driver_;
    CKestrelInstallerDlg& window_;
    PrintingPrompts& prompts_;
    const CountingSocket& socket_;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The window sees its own arguments only; --script and its text are ours.
    QStringList windowArgs;
    std::string script;
    const QStringList all = QCoreApplication::arguments();
    for (qsizetype i = 0; i < all.size(); ++i) {
        if (i > 0 && all[i] == QStringLiteral("--script") && i + 1 < all.size()) {
            script = all[++i].toStdString();
            continue;
        }
        windowArgs << all[i];
    }

    const auto adapters = kestrel::makeSystemAdapterSource();
    const auto realSocket = kestrel::makeUdpSocket();
    CountingSocket socket(*realSocket);
    const auto capture = kestrel::makeCaptureChooser(kestrel::ReceiverMode::Auto);
    PrintingPrompts prompts;
    PrintingDesktop desktop;
    int status = 0;
    {
        WindowDriver driver(kestrel::Seams{*adapters, socket, *capture, prompts, desktop},
                            windowArgs, false);
        CKestrelInstallerDlg& window = *driver.window;
        // The start-up scan's one-second timer started at the end of the
        // construction; showing the window may take a while on a busy machine.
        std::printf("WINDOW %lld\n", static_cast<long long>(QDateTime::currentMSecsSinceEpoch()));
        const auto receiver = capture->receiverReport();
        std::printf(
            "RECEIVER %s\n",
            receiver ? std::string(kestrel::receiverWord(receiver->receiver)).c_str() : "none");
        std::fflush(stdout);
        window.show();
        Script commands(driver, prompts, socket);
        for (const std::string& command : splitCommands(script)) {
            if (!commands.run(command)) {
                std::fprintf(stderr, "fendrix-e2e-window: bad command \"%s\"\n", command.c_str());
                status = 2;
                break;
            }
            if (!window.isVisible()) break;  // quit
        }
        if (window.isVisible()) window.close();
    }
    std::fflush(stdout);
    return status;
}
