// The window's POSIX side: sockets need no start-up, and there is no system
// menu (the window's top area offers the About entry instead).
#include "app/AppPlatform.h"

namespace fendrix::platform {

bool startSocketLayer() { return true; }
void registerForRestart() {}
bool appendToSystemMenu(QWidget& /*window*/, const QString& /*text*/, int /*id*/) { return false; }
bool isSystemMenuCommand(const QByteArray& /*eventType*/, const void* /*message*/, int /*id*/) {
    return false;
}

}  // namespace fendrix::platform
