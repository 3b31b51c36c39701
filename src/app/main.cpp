#include <QStringList>

#include "app/CKestrelInstallerApp.h"

int main(int argc, char** argv) {
    // Taken before QApplication sees argv, which it edits.
    QStringList commandLine;
    for (int i = 0; i < argc; ++i) commandLine << QString::fromLocal8Bit(argv[i]);
    fendrix::CKestrelInstallerApp app(argc, argv, commandLine);
    return app.InitInstance();
}
