#include <QStringList>
#include <cstdio>
#include <cstring>

#include "app/CKestrelInstallerApp.h"
#include "fendrix_version.h"
#include "transport/system_library.h"

int main(int argc, char** argv) {
    // Before anything can load a DLL: no DLL from the program's folder.
    kestrel::restrictLibrarySearch();
    // Answered before Qt starts, so that it needs no display.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::puts(FENDRIX_VERSION_TEXT("fendrix"));
        return 0;
    }
    // Taken before QApplication sees argv, which it edits.
    QStringList commandLine;
    for (int i = 0; i < argc; ++i) commandLine << QString::fromLocal8Bit(argv[i]);
    fendrix::CKestrelInstallerApp app(argc, argv, commandLine);
    return app.InitInstance();
}
