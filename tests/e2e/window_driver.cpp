// fendrix-e2e-window: the real main window on the real network seams, driven
// by a small script for end-to-end tests in a network namespace. Message boxes
// and the desktop are replaced by lines on standard output:
//   PROMPT <warning|information>: <text>     (answered OK at once)
//   OPEN <url>
//   EXIT <code>                               (and the process ends)
// Usage: fendrix-e2e-window [window arguments...] --script "wait 1500; dump; quit"
// Commands: wait MS | scan | select-adapter N | click ROW | rclick ROW |
//   dblclick ROW | oem N | mac TEXT | apply | dump | count | labels | adapters |
//   wait-rows N MS | quit
#include <QApplication>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/CKestrelInstallerDlg.h"
#include "discovery/row_texts.h"
#include "net/platform.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

using fendrix::CKestrelInstallerDlg;

namespace {

class PrintingPrompts : public kestrel::Prompts {
public:
    void show(std::string_view text, kestrel::PromptIcon icon) override {
        std::printf("PROMPT %s: %.*s\n",
                    icon == kestrel::PromptIcon::Information ? "information" : "warning",
                    static_cast<int>(text.size()), text.data());
        std::fflush(stdout);
    }
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

const char* const kKeys[kestrel::ColumnCount] = {"no",      "status",   "mac_address", "ip_address",
                                                 "ip_type", "model",    "version",     "product",
                                                 "max_door", "server_ip"};

nlohmann::json recordJson(const kestrel::DeviceRecord& r) {
    return {{"mac", r.mac},
            {"ip_type", r.ip_type},
            {"ip", r.ip},
            {"subnet_mask", r.subnet_mask},
            {"gateway", r.gateway},
            {"server_ip", r.server_ip},
            {"dns1", r.dns1},
            {"dns2", r.dns2},
            {"https_enabled", r.https_enabled},
            {"http_port", r.http_port},
            {"https_port", r.https_port},
            {"hardware_model", r.hardware_model},
            {"edition", r.edition},
            {"max_door", r.max_door},
            {"status", r.status},
            {"firmware_version", r.firmware_version}};
}

void printJson(const nlohmann::json& j) {
    std::printf("%s\n", j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace).c_str());
    std::fflush(stdout);
}

class Driver {
public:
    explicit Driver(CKestrelInstallerDlg& window) : window_(window) {}

    // Answers false for an unknown or malformed command.
    bool run(const std::string& command) {
        const auto space = command.find(' ');
        const std::string verb = command.substr(0, space);
        const std::string arg = space == std::string::npos ? "" : trim(command.substr(space + 1));
        if (verb == "wait") return number(arg, [](int ms) { QTest::qWait(ms); });
        if (verb == "scan") return click(CKestrelInstallerDlg::IDC_SCAN);
        if (verb == "apply") return click(CKestrelInstallerDlg::IDC_APPLY);
        if (verb == "select-adapter")
            return number(arg, [&](int n) { combo(CKestrelInstallerDlg::IDC_ADAPTER)->setCurrentIndex(n); });
        if (verb == "oem")
            return number(arg, [&](int n) { combo(CKestrelInstallerDlg::IDC_OEM)->setCurrentIndex(n); });
        if (verb == "mac") {
            qobject_cast<QLineEdit*>(window_.control(CKestrelInstallerDlg::IDC_MAC))
                ->setText(QString::fromStdString(arg));
            return true;
        }
        if (verb == "click") return number(arg, [&](int row) { mouse(row, Qt::LeftButton, false); });
        if (verb == "rclick") return number(arg, [&](int row) { mouse(row, Qt::RightButton, false); });
        if (verb == "dblclick") return number(arg, [&](int row) { mouse(row, Qt::LeftButton, true); });
        if (verb == "dump") return dump();
        if (verb == "count") {
            std::printf("ROWS %d\n", window_.deviceModel().rowCount());
            std::fflush(stdout);
            return true;
        }
        if (verb == "labels") return labels();
        if (verb == "adapters") return adapters();
        if (verb == "wait-rows") return waitRows(arg);
        if (verb == "quit") {
            window_.close();
            return true;
        }
        return false;
    }

private:
    template <typename F>
    static bool number(const std::string& text, F&& action) {
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0') return false;
        action(static_cast<int>(value));
        return true;
    }

    QComboBox* combo(int id) const { return qobject_cast<QComboBox*>(window_.control(id)); }

    bool click(int id) {
        auto* button = qobject_cast<QPushButton*>(window_.control(id));
        if (!button || !button->isVisible()) return false;
        button->click();
        return true;
    }

    // A row index at or past the end clicks the empty space below the rows.
    void mouse(int row, Qt::MouseButton button, bool twice) {
        fendrix::CDeviceListCtrl* list = window_.deviceList();
        QPoint at(10, list->viewport()->height() - 3);
        if (row >= 0 && row < list->model()->rowCount()) {
            list->scrollTo(list->model()->index(row, kestrel::ColStatus));
            at = list->visualRect(list->model()->index(row, kestrel::ColStatus)).center();
        }
        if (twice) QTest::mouseDClick(list->viewport(), button, {}, at);
        else QTest::mouseClick(list->viewport(), button, {}, at);
    }

    bool dump() {
        const fendrix::DeviceListModel& model = window_.deviceModel();
        auto rows = nlohmann::json::array();
        for (int i = 0; i < model.rowCount(); ++i) {
            const kestrel::DeviceRecord& record = model.record(i);
            nlohmann::json row = nlohmann::json::object();
            for (int c = 0; c < kestrel::ColumnCount; ++c)
                row[kKeys[c]] = kestrel::cellText(record, static_cast<kestrel::Column>(c),
                                                  static_cast<std::size_t>(i));
            row["record"] = recordJson(record);
            rows.push_back(std::move(row));
        }
        printJson(rows);
        return true;
    }

    bool labels() {
        auto text = [&](int id) {
            return qobject_cast<QLabel*>(window_.control(id))->text().toStdString();
        };
        printJson({{"selection_line", text(CKestrelInstallerDlg::IDC_SELECTION_LINE)},
                   {"status", text(CKestrelInstallerDlg::IDC_STATUS)},
                   {"apply_result", text(CKestrelInstallerDlg::IDC_APPLY_RESULT)},
                   {"apply_mark", text(CKestrelInstallerDlg::IDC_APPLY_MARK)},
                   {"current_row", window_.currentRow()},
                   {"factory_mode", window_.factoryMode()}});
        return true;
    }

    bool adapters() {
        auto list = nlohmann::json::array();
        for (const auto& a : window_.adapters())
            list.push_back({{"description", a.description}, {"ip_text", a.ip_text},
                            {"mac_text", a.mac_text}, {"if_name", a.if_name}});
        printJson(list);
        return true;
    }

    bool waitRows(const std::string& arg) {
        int rows = 0, ms = 0;
        if (std::sscanf(arg.c_str(), "%d %d", &rows, &ms) != 2) return false;
        const bool reached = QTest::qWaitFor(
            [&] { return window_.deviceModel().rowCount() >= rows; }, ms);
        std::printf("ROWS %d%s\n", window_.deviceModel().rowCount(), reached ? "" : " TIMEOUT");
        std::fflush(stdout);
        return true;
    }

    CKestrelInstallerDlg& window_;
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
    const auto socket = kestrel::makeUdpSocket();
    const auto capture = kestrel::makePcapCapture();
    PrintingPrompts prompts;
    PrintingDesktop desktop;
    int status = 0;
    {
        CKestrelInstallerDlg window(kestrel::Seams{*adapters, *socket, *capture, prompts, desktop},
                                    windowArgs);
        window.show();
        Driver driver(window);
        for (const std::string& command : splitCommands(script)) {
            if (!driver.run(command)) {
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
