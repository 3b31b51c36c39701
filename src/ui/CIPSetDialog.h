#pragma once
// The network settings dialog: pre-filled from one controller's record, it
// collects the new settings and hands them to `send` when confirmed.
#include <QDialog>
#include <functional>
#include <string>

#include "commands/network_change_request.h"
#include "discovery/device_record.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace fendrix {

class IpAddressEdit;

class CIPSetDialog : public QDialog {
    Q_OBJECT
public:
    CIPSetDialog(const kestrel::DeviceRecord& record,
                 std::function<void(const kestrel::NetworkChangeValues&)> send,
                 QWidget* parent = nullptr);

private:
    void buildControls();
    void layOutControls();
    void initControls(const kestrel::DeviceRecord& record);
    void setAddressControlsEnabled(bool enabled);
    void onNetworkChange();

    std::function<void(const kestrel::NetworkChangeValues&)> send_;
    // Kept for the whole run: the request is addressed by what the scan saw,
    // not by the address the user is about to give the controller.
    std::string mac_;
    std::string ip_;

    QRadioButton* dhcp_ = nullptr;
    QRadioButton* static_ = nullptr;
    IpAddressEdit* ipAddress_ = nullptr;
    IpAddressEdit* subnetMask_ = nullptr;
    IpAddressEdit* gateway_ = nullptr;
    IpAddressEdit* serverIp_ = nullptr;
    IpAddressEdit* dns1_ = nullptr;
    IpAddressEdit* dns2_ = nullptr;
    QCheckBox* https_ = nullptr;
    QLineEdit* httpPort_ = nullptr;
    QLineEdit* httpsPort_ = nullptr;
    QLineEdit* userId_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace fendrix
