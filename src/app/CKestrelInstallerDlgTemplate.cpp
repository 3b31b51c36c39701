// The main window's template: every control at its place, converted from
// dialog units with the dialog font, in template order (which is also the
// tab order). The factory panel places its own controls.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "app/CKestrelInstallerDlg.h"
#include "string_table.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"
#include "ui/DialogUnits.h"
#include "ui/ElidedLabel.h"
#include "ui/FactoryPanel.h"

// The resources live in a static library: the linker keeps them only when
// something calls their initialiser, which must be outside any namespace.
static void initResources() { Q_INIT_RESOURCE(fendrix); }

namespace fendrix {

namespace {
constexpr int kWidthDu = 600;
constexpr int kHeightDu = 307;
}  // namespace

void CKestrelInstallerDlg::buildControls() {
    initResources();
    setFont(dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(kWidthDu), du.y(kHeightDu));

    model_ = new DeviceListModel(this);
    deviceList_ = new CDeviceListCtrl(this);
    deviceList_->setObjectName(QStringLiteral("deviceList"));
    deviceList_->setDeviceModel(model_);
    deviceList_->setGeometry(du.rect(7, 67, 586, 232));

    scan_ = makeButton(QStringLiteral("Scan"), this);
    scan_->setObjectName(QStringLiteral("scanButton"));
    scan_->setGeometry(du.rect(69, 12, 79, 46));

    auto* logo = new QLabel(this);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setGeometry(du.rect(7, 21, 60, 26));
    logo->setAlignment(Qt::AlignCenter);
    logo->setPixmap(QPixmap(QString::fromLatin1(res::kLogoResource))
                        .scaled(logo->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    adapterSelector_ = new QComboBox(this);
    adapterSelector_->setObjectName(QStringLiteral("adapterSelector"));
    adapterSelector_->setEditable(false);
    placeDropDown(adapterSelector_, du.rect(153, 20, 181, 55));

    networkChange_ = makeButton(QStringLiteral("Network Change"), this);
    networkChange_->setObjectName(QStringLiteral("networkChangeButton"));
    networkChange_->setGeometry(du.rect(350, 12, 79, 46));

    factoryReset_ = makeButton(QStringLiteral("Factory Reset"), this);
    factoryReset_->setObjectName(QStringLiteral("factoryResetButton"));
    factoryReset_->setGeometry(du.rect(433, 12, 79, 46));

    // Shown in place of the two buttons in factory mode only.
    factoryPanel_ = new FactoryPanel(du, seams_.prompts, this);
    factoryPanel_->hide();

    // The group box only frames the adapter selector: it lies beneath it and
    // lets the mouse through.
    auto* networkGroup = new QGroupBox(QStringLiteral("NETWORK"), this);
    networkGroup->setObjectName(QStringLiteral("networkGroup"));
    networkGroup->setAlignment(Qt::AlignHCenter);
    networkGroup->setGeometry(du.rect(151, 8, 190, 32));
    networkGroup->lower();
    networkGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    networkGroup->setFocusPolicy(Qt::NoFocus);

    selectionLine_ = new ElidedLabel(QString::fromLatin1(kChooseEquipment), this);
    selectionLine_->setObjectName(QStringLiteral("selectionLine"));
    selectionLine_->setGeometry(du.rect(153, 46, 163, 8));
    selectionLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    status_ = new QLabel(QString(), this);
    status_->setObjectName(QStringLiteral("statusLabel"));
    status_->setGeometry(du.rect(314, 46, 23, 8));
    status_->setAlignment(Qt::AlignCenter);
}

}  // namespace fendrix
