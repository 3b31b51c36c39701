// Template 102: every control of the main window at its place, converted from
// dialog units with the dialog font, in template order (which is also the
// tab order).
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>

#include "app/CKestrelInstallerDlg.h"
#include "app/DialogUnits.h"
#include "strings.h"
#include "ui/CDeviceListCtrl.h"
#include "ui/DeviceListModel.h"
#include "ui/ElidedLabel.h"

// The resources live in a static library: the linker keeps them only when
// something calls their initialiser, which must be outside any namespace.
static void initResources() { Q_INIT_RESOURCE(fendrix); }

namespace fendrix {

namespace {
constexpr int kWidthDu = 600;
constexpr int kHeightDu = 307;

// A drop-down list is as high as its edit part; the template's height is
// that of the opened list.
void placeComboBox(QComboBox* combo, const QRect& rect) {
    combo->setGeometry(rect.x(), rect.y(), rect.width(), combo->sizeHint().height());
}

QPushButton* makeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    // Enter belongs to the window's own key handling, never to a default button.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}
}  // namespace

void CKestrelInstallerDlg::registerControl(QWidget* widget, int id, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setProperty("controlId", id);
}

void CKestrelInstallerDlg::buildControls() {
    initResources();
    setFont(dialogFont());
    const DialogUnits du(font());
    setFixedSize(du.x(kWidthDu), du.y(kHeightDu));

    model_ = new DeviceListModel(this);
    deviceList_ = new CDeviceListCtrl(this);
    deviceList_->setDeviceModel(model_);
    deviceList_->setGeometry(du.rect(7, 67, 586, 232));
    registerControl(deviceList_, IDC_DEVICE_LIST, "deviceList");

    scan_ = makeButton(QStringLiteral("Scan"), this);
    scan_->setGeometry(du.rect(69, 12, 79, 46));
    registerControl(scan_, IDC_SCAN, "scanButton");

    logo_ = new QLabel(this);
    logo_->setObjectName(QStringLiteral("logo"));
    logo_->setGeometry(du.rect(7, 21, 60, 26));
    logo_->setAlignment(Qt::AlignCenter);
    logo_->setPixmap(QPixmap(QString::fromLatin1(res::kLogoResource))
                         .scaled(logo_->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));

    adapterSelector_ = new QComboBox(this);
    adapterSelector_->setEditable(false);
    placeComboBox(adapterSelector_, du.rect(153, 20, 181, 55));
    registerControl(adapterSelector_, IDC_ADAPTER, "adapterSelector");

    networkChange_ = makeButton(QStringLiteral("Network Change"), this);
    networkChange_->setGeometry(du.rect(350, 12, 79, 46));
    registerControl(networkChange_, IDC_NETWORK_CHANGE, "networkChangeButton");

    factoryReset_ = makeButton(QStringLiteral("Factory Reset"), this);
    factoryReset_->setGeometry(du.rect(433, 12, 79, 46));
    registerControl(factoryReset_, IDC_FACTORY_RESET, "factoryResetButton");

    oemSelector_ = new QComboBox(this);
    oemSelector_->setEditable(false);
    placeComboBox(oemSelector_, du.rect(368, 15, 126, 70));
    registerControl(oemSelector_, IDC_OEM, "oemSelector");

    macEntry_ = new QLineEdit(this);
    macEntry_->setGeometry(du.rect(368, 29, 126, 13));
    registerControl(macEntry_, IDC_MAC, "macEntry");

    macCaption_ = new QLabel(QStringLiteral("MAC :"), this);
    macCaption_->setGeometry(du.rect(346, 31, 19, 8));
    registerControl(macCaption_, IDC_MAC_CAPTION, "macCaption");

    oemCaption_ = new QLabel(QStringLiteral("OEM :"), this);
    oemCaption_->setGeometry(du.rect(346, 17, 19, 8));
    registerControl(oemCaption_, IDC_OEM_CAPTION, "oemCaption");

    networkGroup_ = new QGroupBox(QStringLiteral("NETWORK"), this);
    networkGroup_->setObjectName(QStringLiteral("networkGroup"));
    networkGroup_->setAlignment(Qt::AlignHCenter);
    networkGroup_->setGeometry(du.rect(151, 8, 190, 32));

    selectionLine_ = new ElidedLabel(QString::fromLatin1(kChooseEquipment), this);
    selectionLine_->setGeometry(du.rect(153, 46, 163, 8));
    selectionLine_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    registerControl(selectionLine_, IDC_SELECTION_LINE, "selectionLine");

    applyResult_ = new ElidedLabel(QStringLiteral("-----------------"), this);
    applyResult_->setGeometry(du.rect(349, 46, 159, 8));
    applyResult_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    registerControl(applyResult_, IDC_APPLY_RESULT, "applyResult");

    applyMark_ = new QLabel(QStringLiteral("Failed !"), this);
    applyMark_->setGeometry(du.rect(511, 46, 60, 8));
    applyMark_->setAlignment(Qt::AlignCenter);
    registerControl(applyMark_, IDC_APPLY_MARK, "applyMark");

    status_ = new QLabel(QString(), this);
    status_->setGeometry(du.rect(314, 46, 23, 8));
    status_->setAlignment(Qt::AlignCenter);
    registerControl(status_, IDC_STATUS, "statusLabel");

    factoryGroup_ = new QGroupBox(QString(), this);
    factoryGroup_->setGeometry(du.rect(344, 8, 243, 51));
    registerControl(factoryGroup_, IDC_FACTORY_GROUP, "factoryGroup");

    apply_ = makeButton(QStringLiteral("Apply"), this);
    apply_->setGeometry(du.rect(499, 15, 83, 26));
    registerControl(apply_, IDC_APPLY, "applyButton");

    // Group boxes only frame their neighbours: they lie beneath them and let
    // the mouse through, whatever their place in the template.
    for (QGroupBox* group : {networkGroup_, factoryGroup_}) {
        group->lower();
        group->setAttribute(Qt::WA_TransparentForMouseEvents);
        group->setFocusPolicy(Qt::NoFocus);
    }

    // Hidden until factory mode shows them.
    for (QWidget* w :
         std::initializer_list<QWidget*>{oemSelector_, macEntry_, macCaption_, oemCaption_,
                                         applyResult_, applyMark_, factoryGroup_, apply_})
        w->hide();
}

QWidget* CKestrelInstallerDlg::control(int id) const {
    for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QVariant value = child->property("controlId");
        if (value.isValid() && value.toInt() == id) return child;
    }
    return nullptr;
}

}  // namespace fendrix
