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
class IpAddressEdit;

class CIPSetDialog : public QDialog {
    Q_OBJECT
public:
    CIPSetDialog(const kestrel::DeviceRecord& record,
                 std::function<void(const kestrel::NetworkChangeValues&)> send,
                 QWidget* parent = nullptr);

private:
    void buildControls();
    void initControls(const kestrel::DeviceRecord& record);
    void setAddressControlsEnabled(bool enabled);
    void onNetworkChange();

    std::function<void(const kestrel::NetworkChangeValues&)> send_;
    // Kept for the whole run: the request is addressed by what the scan saw,
    // not by the address the user is about to give the controller.
    std::string mac_;
    std::string ip_;

    QRadioButton* dhcp_ = nullptr;         // 1013
    QRadioButton* static_ = nullptr;       // 1014
    IpAddressEdit* ipAddress_ = nullptr;   // 1015
    IpAddressEdit* subnetMask_ = nullptr;  // 1016
    IpAddressEdit* gateway_ = nullptr;     // 1017
    IpAddressEdit* serverIp_ = nullptr;    // 1018
    IpAddressEdit* dns1_ = nullptr;        // 1021
    IpAddressEdit* dns2_ = nullptr;        // 1022
    QCheckBox* https_ = nullptr;           // 1023
    QLineEdit* httpPort_ = nullptr;        // 1024
    QLineEdit* httpsPort_ = nullptr;       // 1025
    QLineEdit* userId_ = nullptr;          // 1020
    QLineEdit* password_ = nullptr;        // 1026
    QPushButton* ok_ = nullptr;            // 1
    QPushButton* cancel_ = nullptr;        // 2
};
