#pragma once
// What the window asks of the operating system beyond Qt: the socket layer,
// the restart manager and the system menu. One header;
// AppPlatformWin.cpp implements it on Windows, AppPlatformPosix.cpp elsewhere.
#include <QByteArray>
#include <QString>

class QWidget;

namespace fendrix::platform {

// Starts the socket layer (Winsock 2.2 on Windows); false when it cannot.
bool startSocketLayer();
// Lets the restart manager restart the program; nothing is recovered.
void registerForRestart();
// Appends a separator and the entry `text` with command `id` to the
// window's system menu; false where the window has none.
bool appendToSystemMenu(QWidget& window, const QString& text, int id);
// Whether a native message is the choice of the system-menu command `id`.
bool isSystemMenuCommand(const QByteArray& eventType, const void* message, int id);

}  // namespace fendrix::platform
