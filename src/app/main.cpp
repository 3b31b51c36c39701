#include "app/CKestrelInstallerApp.h"

int main(int argc, char** argv) {
    fendrix::CKestrelInstallerApp app(argc, argv);
    return app.InitInstance();
}
