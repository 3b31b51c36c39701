#pragma once
#include <QApplication>

namespace fendrix {

// The process: initialises the socket layer, builds the real seams and runs
// the main window until it is closed.
class CKestrelInstallerApp : public QApplication {
    Q_OBJECT
public:
    CKestrelInstallerApp(int& argc, char** argv);
    // Answers the process's exit code.
    int InitInstance();
};

}  // namespace fendrix
