#pragma once
// The factory reset dialog: asks for the super-admin credentials and hands
// them, with the controller's lower-cased MAC and current address, to `send`.
#include <QDialog>
#include <functional>
#include <string>

#include "discovery/device_record.h"

class QLineEdit;
class QPushButton;

class CFactoryReset : public QDialog {
    Q_OBJECT
public:
    using SendFn = std::function<void(const std::string& lowerMac, const std::string& currentIp,
                                      const std::string& userId, const std::string& password)>;

    CFactoryReset(const kestrel::DeviceRecord& record,
                  std::function<void(const std::string& lowerMac, const std::string& currentIp,
                                     const std::string& userId, const std::string& password)>
                      send,
                  QWidget* parent = nullptr);

private:
    void onFactoryReset();

    SendFn send_;
    std::string mac_;
    std::string ip_;

    QLineEdit* userId_ = nullptr;    // 1034
    QLineEdit* password_ = nullptr;  // 1035
    QPushButton* reset_ = nullptr;   // 1008
    QPushButton* cancel_ = nullptr;  // 1009
};
