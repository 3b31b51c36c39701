#pragma once
#include <QApplication>
#include <QStringList>

namespace fendrix {

// The process: initialises the socket layer, builds the real seams and runs
// the main window until it is closed.
class CKestrelInstallerApp : public QApplication {
    Q_OBJECT
public:
    // `commandLine` is the program's own argument list as it was started;
    // QApplication removes the options it knows (-style, -reverse, ...) from
    // argv, and the factory-mode rule counts every argument.
    CKestrelInstallerApp(int& argc, char** argv, QStringList commandLine);
    // Answers the process's exit code.
    int InitInstance();
    // Names the application; titles then read exactly as each window sets them.
    static void setIdentity();

private:
    QStringList commandLine_;
};

}  // namespace fendrix
