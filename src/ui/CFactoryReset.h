#pragma once
// The factory reset dialog: asks for the super-admin credentials and hands
// them, with the controller's lower-cased MAC and current address, to `send`.
#include <QDialog>
#include <functional>
#include <string>

#include "discovery/device_record.h"

class QLineEdit;
class QPushButton;

namespace fendrix {

class CFactoryReset : public QDialog {
    Q_OBJECT
public:
    using SendFn = std::function<void(const std::string& lowerMac, const std::string& currentIp,
                                      const std::string& userId, const std::string& password)>;

    CFactoryReset(const kestrel::DeviceRecord& record, SendFn send, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void onFactoryReset();

    SendFn send_;
    std::string mac_;
    std::string ip_;

    QLineEdit* userId_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* reset_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace fendrix
