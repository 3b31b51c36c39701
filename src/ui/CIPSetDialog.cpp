#include "ui/CIPSetDialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <utility>

#include "ui/IpAddressEdit.h"
#include "wire/address_text.h"

namespace fendrix {

namespace {

constexpr int kEditLimit = 20;

template <typename W>
W* named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QLineEdit* limitedEdit(const char* name, QWidget* parent) {
    auto* edit = named(new QLineEdit(parent), name);
    edit->setMaxLength(kEditLimit);
    return edit;
}

}  // namespace

CIPSetDialog::CIPSetDialog(const kestrel::DeviceRecord& record,
                           std::function<void(const kestrel::NetworkChangeValues&)> send,
                           QWidget* parent)
    : QDialog(parent), send_(std::move(send)) {
    setWindowTitle(QStringLiteral("Network Settting"));
    setModal(true);
    buildControls();
    initControls(record);
}

void CIPSetDialog::buildControls() {
    dhcp_ = named(new QRadioButton(QStringLiteral("DHCP"), this), "dhcpButton");
    static_ = named(new QRadioButton(QStringLiteral("STATIC"), this), "staticButton");
    auto* mode = new QButtonGroup(this);
    mode->addButton(dhcp_);
    mode->addButton(static_);

    ipAddress_ = named(new IpAddressEdit(this), "ipAddress");
    subnetMask_ = named(new IpAddressEdit(this), "subnetMask");
    gateway_ = named(new IpAddressEdit(this), "gateway");
    dns1_ = named(new IpAddressEdit(this), "dns1");
    dns2_ = named(new IpAddressEdit(this), "dns2");
    serverIp_ = named(new IpAddressEdit(this), "serverIp");

    https_ = named(new QCheckBox(QStringLiteral("Https"), this), "httpsCheck");
    httpPort_ = limitedEdit("httpPort", this);
    httpsPort_ = limitedEdit("httpsPort", this);
    userId_ = limitedEdit("userId", this);
    password_ = limitedEdit("password", this);
    password_->setEchoMode(QLineEdit::Password);

    ok_ = named(new QPushButton(QStringLiteral("Network Change"), this), "networkChangeButton");
    cancel_ = named(new QPushButton(QStringLiteral("CANCEL"), this), "cancelButton");
    ok_->setDefault(true);

    layOutControls();

    // Choosing DHCP greys the addresses it will replace; Server IP and the
    // HTTP port always stay editable.
    connect(static_, &QRadioButton::toggled, this, &CIPSetDialog::setAddressControlsEnabled);
    connect(https_, &QCheckBox::toggled, httpsPort_, &QLineEdit::setEnabled);
    connect(ok_, &QPushButton::clicked, this, &CIPSetDialog::onNetworkChange);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

// The groups of the template: Network on the left, Server Info and Web
// Server on the right, Super Admin Check and the buttons below.
void CIPSetDialog::layOutControls() {
    auto* network = new QGroupBox(QStringLiteral("Network"), this);
    auto* radios = new QHBoxLayout;
    radios->addWidget(dhcp_);
    radios->addWidget(static_);
    radios->addStretch(1);
    auto* addresses = new QFormLayout;
    addresses->addRow(QStringLiteral("IP Address"), ipAddress_);
    addresses->addRow(QStringLiteral("Subnet Mask"), subnetMask_);
    addresses->addRow(QStringLiteral("Gateway"), gateway_);
    addresses->addRow(QStringLiteral("DNS 1"), dns1_);
    addresses->addRow(QStringLiteral("DNS 2"), dns2_);
    auto* networkLayout = new QVBoxLayout(network);
    networkLayout->addLayout(radios);
    networkLayout->addLayout(addresses);
    networkLayout->addStretch(1);

    auto* serverInfo = new QGroupBox(QStringLiteral("Server Info"), this);
    auto* serverLayout = new QFormLayout(serverInfo);
    serverLayout->addRow(QStringLiteral("Server IP"), serverIp_);

    auto* webServer = new QGroupBox(QStringLiteral("Web Server"), this);
    auto* webLayout = new QFormLayout(webServer);
    webLayout->addRow(https_);
    webLayout->addRow(QStringLiteral("Http Port"), httpPort_);
    webLayout->addRow(QStringLiteral("Https Port"), httpsPort_);

    auto* admin = new QGroupBox(QStringLiteral("Super Admin Check"), this);
    auto* adminLayout = new QFormLayout(admin);
    adminLayout->addRow(QStringLiteral("User ID"), userId_);
    adminLayout->addRow(QStringLiteral("Password"), password_);

    auto* right = new QVBoxLayout;
    right->addWidget(serverInfo);
    right->addWidget(webServer);
    right->addStretch(1);
    auto* columns = new QHBoxLayout;
    columns->addWidget(network, 1);
    columns->addLayout(right, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* top = new QVBoxLayout(this);
    top->addLayout(columns);
    top->addWidget(admin);
    top->addLayout(buttons);
    setSizeGripEnabled(false);
    top->setSizeConstraint(QLayout::SetFixedSize);
}

void CIPSetDialog::initControls(const kestrel::DeviceRecord& record) {
    mac_ = record.mac;
    ip_ = record.ip;

    const bool isStatic = record.ip_type != 0;
    (isStatic ? static_ : dhcp_)->setChecked(true);
    setAddressControlsEnabled(isStatic);

    https_->setChecked(record.https_enabled == 1);
    httpsPort_->setEnabled(https_->isChecked());

    ipAddress_->setAddress(QString::fromStdString(record.ip));
    subnetMask_->setAddress(QString::fromStdString(record.subnet_mask));
    gateway_->setAddress(QString::fromStdString(record.gateway));

    serverIp_->setEnabled(true);
    if (!record.server_ip.empty()) serverIp_->setAddress(QString::fromStdString(record.server_ip));
    if (!record.dns1.empty()) dns1_->setAddress(QString::fromStdString(record.dns1));
    if (!record.dns2.empty()) dns2_->setAddress(QString::fromStdString(record.dns2));

    httpPort_->setText(QString::number(record.http_port));
    httpsPort_->setText(QString::number(record.https_port));
}

void CIPSetDialog::setAddressControlsEnabled(bool enabled) {
    for (IpAddressEdit* edit : {ipAddress_, subnetMask_, gateway_, dns1_, dns2_})
        edit->setEnabled(enabled);
}

void CIPSetDialog::onNetworkChange() {
    kestrel::NetworkChangeValues values;
    values.is_static = static_->isChecked();
    // Disabled controls still hold values and are sent like the others.
    values.new_ip = ipAddress_->text().toStdString();
    values.subnet_mask = subnetMask_->text().toStdString();
    values.gateway = gateway_->text().toStdString();
    values.server_ip = serverIp_->text().toStdString();
    values.dns1 = dns1_->text().toStdString();
    values.dns2 = dns2_->text().toStdString();
    values.https = https_->isChecked();
    values.http_port = kestrel::parsePortText(httpPort_->text().toStdString());
    values.https_port = kestrel::parsePortText(httpsPort_->text().toStdString());
    values.user_id = userId_->text().toLatin1().toStdString();
    values.password = password_->text().toLatin1().toStdString();
    values.target_mac = kestrel::lowerText(mac_);
    values.current_ip = ip_;
    if (send_) send_(values);
    accept();
}

}  // namespace fendrix
