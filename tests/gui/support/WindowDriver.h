#pragma once
// The real main window and a user's hands on it, for the GUI tests (over the
// in-process fakes, WindowHarness.h) and the end-to-end window driver (over
// the real network, tests/e2e/window_driver.cpp) alike: it builds the window
// over the seams it is given, finds controls by their template numbers,
// clicks buttons and rows, works the modal device-command dialogs, and waits
// with a bound for what the window does.
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <utility>

#include "ControlTable.h"
#include "app/CKestrelInstallerDlg.h"
#include "seams/seams.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"

namespace fendrix::testing {

inline const QStringList kNormalArgs{QStringLiteral("fendrix")};
inline const QStringList kFactoryArgs{QStringLiteral("fendrix"), QStringLiteral("-p"),
                                      QStringLiteral("tundrax5832!")};

class WindowDriver {
public:
    // What pressing a device-command button came to.
    enum class DialogRun { ButtonHidden, NoneOpened, Worked };

    // Builds the window over `seams`; with `show`, shows it and waits until
    // it is on screen.
    WindowDriver(kestrel::Seams seams, const QStringList& args, bool show = true)
        : window(std::make_unique<CKestrelInstallerDlg>(seams, args)) {
        if (show) this->show();
    }

    std::unique_ptr<CKestrelInstallerDlg> window;

    bool show() {
        window->show();
        return QTest::qWaitForWindowExposed(window.get());
    }

    // Runs queued calls (the reply drain) without waiting.
    static void settle() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    // Lets the event loop run until `done` holds, at most `ms`; answers
    // whether it came to hold.
    template <typename F>
    static bool waitFor(F&& done, int ms) {
        return QTest::qWaitFor(std::forward<F>(done), ms);
    }

    // A control of the main window by its template number.
    template <typename W = QWidget>
    W* control(int id) const {
        return findControl<W>(*window, kMainWindowControls, id);
    }
    // What a label or an edit of the main window shows.
    QString text(int id) const {
        if (const auto* label = control<QLabel>(id)) return label->text();
        if (const auto* edit = control<QLineEdit>(id)) return edit->text();
        return {};
    }

    // Clicks a push button of the window, as a user can: a visible one.
    bool press(int id) {
        auto* button = control<QPushButton>(id);
        if (!button || !button->isVisible()) return false;
        button->click();
        return true;
    }

    // The rows and where they are: the middle of a row's "Status" cell,
    // scrolled into view; a row past the end is the empty space below the
    // rows.
    int rowCount() const { return window->deviceModel().rowCount(); }
    QPoint belowRows() const { return {10, list()->viewport()->height() - 3}; }
    QPoint rowPoint(int row) const {
        CDeviceListCtrl* rows = list();
        if (row < 0 || row >= rows->model()->rowCount()) return belowRows();
        const QModelIndex index = rows->model()->index(row, kestrel::ColStatus);
        rows->scrollTo(index);
        return rows->visualRect(index).center();
    }
    void clickRow(int row, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(list()->viewport(), button, {}, rowPoint(row));
    }
    void doubleClickRow(int row) {
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, rowPoint(row));
    }
    // The row whose "MAC Address" cell shows `mac` (in any letter case), -1
    // for none.
    int rowShowing(const QString& mac) const {
        const DeviceListModel& model = window->deviceModel();
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.cell(row, kestrel::ColMacAddress).compare(mac, Qt::CaseInsensitive) == 0)
                return row;
        return -1;
    }

    // Presses the device-command button `openButton`; once the modal dialog
    // it opens is up (looked for from inside the dialog's own event loop),
    // hands it to `work`, which must close it.
    DialogRun workDialog(int openButton, const std::function<void(QDialog&)>& work) {
        bool opened = false;
        QTimer poll;
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog || dialog == window.get() || !dialog->isVisible()) return;
            poll.stop();
            opened = true;
            work(*dialog);
        });
        poll.start();
        if (!press(openButton)) return DialogRun::ButtonHidden;
        return opened ? DialogRun::Worked : DialogRun::NoneOpened;
    }

private:
    CDeviceListCtrl* list() const { return window->deviceList(); }
};

}  // namespace fendrix::testing
