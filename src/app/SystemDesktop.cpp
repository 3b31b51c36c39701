#include "app/SystemDesktop.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <cstdio>
#include <cstdlib>

namespace fendrix {

void SystemDesktop::openUrl(const std::string& url) {
    // The outcome is not examined.
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url), QUrl::StrictMode));
}

std::string SystemDesktop::programPath() {
    return QDir::toNativeSeparators(QCoreApplication::applicationFilePath()).toStdString();
}

void SystemDesktop::exitProcess(int code) {
    // At once, from whichever thread: no destructors that could wait for a
    // worker, but nothing written is lost.
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace fendrix
