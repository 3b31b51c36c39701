#include "app/CKestrelInstallerApp.h"

#include <QMessageBox>
#include <utility>

#include "app/AppPlatform.h"
#include "app/CKestrelInstallerDlg.h"
#include "app/SystemDesktop.h"
#include "app/SystemPrompts.h"
#include "string_table.h"
#include "transport/capture_chooser.h"

namespace fendrix {

CKestrelInstallerApp::CKestrelInstallerApp(int& argc, char** argv, QStringList commandLine)
    : QApplication(argc, argv), commandLine_(std::move(commandLine)) {
    setIdentity();
}

void CKestrelInstallerApp::setIdentity() {
    // No display name: the platform would append it to every title that
    // does not end with it ("Factory Reset — Fendrix").
    setApplicationName(QStringLiteral("Fendrix"));
}

int CKestrelInstallerApp::InitInstance() {
    platform::registerForRestart();
    if (!platform::startSocketLayer()) {
        QMessageBox::warning(nullptr, QStringLiteral("Fendrix"),
                             QString::fromUtf8(res::kSocketsInitFailed));
        return 0;
    }
    const auto adapters = kestrel::makeSystemAdapterSource();
    const auto socket = kestrel::makeUdpSocket();
    // The capture helper, else an in-process capture (root), else a socket.
    const auto capture = kestrel::makeCaptureChooser(kestrel::ReceiverMode::Auto);
    SystemPrompts prompts;
    SystemDesktop desktop;
    {
        CKestrelInstallerDlg window(kestrel::Seams{*adapters, *socket, *capture, prompts, desktop},
                                    commandLine_);
        window.exec();
    }
    return 0;
}

}  // namespace fendrix
