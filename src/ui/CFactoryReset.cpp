#include "ui/CFactoryReset.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

#include "wire/address_text.h"

namespace fendrix {

CFactoryReset::CFactoryReset(const kestrel::DeviceRecord& record, SendFn send, QWidget* parent)
    : QDialog(parent), send_(std::move(send)), mac_(record.mac), ip_(record.ip) {
    setWindowTitle(QStringLiteral("Factory Reset"));
    setModal(true);

    // No length limit here: the request cuts each text at its field.
    userId_ = new QLineEdit(this);
    userId_->setObjectName(QStringLiteral("userId"));
    password_ = new QLineEdit(this);
    password_->setObjectName(QStringLiteral("password"));
    password_->setEchoMode(QLineEdit::Password);

    reset_ = new QPushButton(QStringLiteral("Factory Reset"), this);
    reset_->setObjectName(QStringLiteral("factoryResetButton"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("cancelButton"));
    // No default button, and no button that becomes one when it takes the
    // focus: Enter must never start the reset (keyPressEvent). Esc cancels.
    reset_->setAutoDefault(false);
    cancel_->setAutoDefault(false);

    auto* admin = new QGroupBox(QStringLiteral("Super Admin Check"), this);
    auto* form = new QFormLayout(admin);
    form->addRow(QStringLiteral("User ID"), userId_);
    form->addRow(QStringLiteral("Password"), password_);
    userId_->setMinimumWidth(userId_->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 24);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(reset_);
    buttons->addWidget(cancel_);

    auto* top = new QVBoxLayout(this);
    top->addWidget(admin);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    connect(reset_, &QPushButton::clicked, this, &CFactoryReset::onFactoryReset);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void CFactoryReset::keyPressEvent(QKeyEvent* event) {
    // Enter, wherever the focus is, closes the dialog without sending, as a
    // dialog's plain OK would; only a click (or Space on the focused button)
    // resets the controller.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CFactoryReset::onFactoryReset() {
    const std::string userId = userId_->text().toLatin1().toStdString();
    const std::string password = password_->text().toLatin1().toStdString();
    if (send_) send_(kestrel::lowerText(mac_), ip_, userId, password);
    accept();
}

}  // namespace fendrix
