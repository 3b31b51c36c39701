#pragma once
#include <QDialog>

namespace fendrix {

// The About box: the logo, the program's name and version.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace fendrix
