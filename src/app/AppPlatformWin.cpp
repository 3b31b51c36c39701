// The window's Windows side: Winsock, the restart manager and the system menu.
#include <winsock2.h>  // before windows.h

#include <windows.h>

#include <QWidget>
#include <string>

#include "app/AppPlatform.h"

namespace fendrix::platform {

bool startSocketLayer() {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void registerForRestart() { RegisterApplicationRestart(nullptr, 0); }

bool appendToSystemMenu(QWidget& window, const QString& text, int id) {
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE);
    if (menu == nullptr) return false;
    const std::wstring wide = text.toStdWString();
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(id), wide.c_str());
    return true;
}

bool isSystemMenuCommand(const QByteArray& eventType, const void* message, int id) {
    if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG") return false;
    const auto* msg = static_cast<const MSG*>(message);
    // The low four bits of a system command are the system's own.
    return msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == static_cast<WPARAM>(id);
}

}  // namespace fendrix::platform
