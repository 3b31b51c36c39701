#pragma once
// The factory panel of the main window: an OEM brand and a MAC address for
// the controller of the current row. It checks and normalises the typed MAC
// text, asks for the request (applyRequested) and shows the controller's
// answer; which controller that is, and the sending, are the window's.
#include <QGroupBox>
#include <string>

#include "factory/apply_reply.h"
#include "seams/prompts.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace fendrix {

class DialogUnits;
class ElidedLabel;

class FactoryPanel : public QGroupBox {
    Q_OBJECT
public:
    static constexpr char kApplyResultInfo[] = "Apply result information ..........";

    // Lays the panel out at its place in the window's template.
    FactoryPanel(const DialogUnits& units, kestrel::Prompts& prompts, QWidget* parent);

signals:
    // The typed MAC text passed the rule and the entry has been emptied:
    // `oemIndex` is the brand (selector position + 1, 0 when none is
    // chosen), `newMac` the normalised text.
    void applyRequested(int oemIndex, const std::string& newMac);

public slots:
    // The Apply button, or Enter anywhere in the window in factory mode.
    void apply();
    // A controller's answer to an OEM and MAC request.
    void showApplyReply(const kestrel::ApplyReply& reply);

private:
    kestrel::Prompts& prompts_;
    QComboBox* oemSelector_ = nullptr;
    QLineEdit* macEntry_ = nullptr;
    ElidedLabel* applyResult_ = nullptr;
    QLabel* applyMark_ = nullptr;
};

}  // namespace fendrix
