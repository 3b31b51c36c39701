#pragma once
// The control numbers of the window's and the dialogs' templates, each with
// the object name its widget carries: tests name controls by number, the
// widgets are found by name.
#include <QString>
#include <QWidget>
#include <span>

namespace fendrix::testing {

struct ControlName {
    int id;
    const char* objectName;
};

// The main window.
enum MainWindowControl {
    IDC_DEVICE_LIST = 1004,
    IDC_SCAN = 1008,
    IDC_NETWORK_CHANGE = 1009,
    IDC_ADAPTER = 1012,
    IDC_FACTORY_RESET = 1021,
    IDC_OEM = 1063,
    IDC_MAC = 1064,
    IDC_OEM_CAPTION = 1065,
    IDC_MAC_CAPTION = 1066,
    IDC_SELECTION_LINE = 1073,
    IDC_APPLY_RESULT = 1075,
    IDC_APPLY_MARK = 1076,
    IDC_STATUS = 1077,
    IDC_FACTORY_GROUP = 1078,
    IDC_APPLY = 1080,
};

inline constexpr ControlName kMainWindowControls[] = {
    {IDC_DEVICE_LIST, "deviceList"},
    {IDC_SCAN, "scanButton"},
    {IDC_NETWORK_CHANGE, "networkChangeButton"},
    {IDC_ADAPTER, "adapterSelector"},
    {IDC_FACTORY_RESET, "factoryResetButton"},
    {IDC_OEM, "oemSelector"},
    {IDC_MAC, "macEntry"},
    {IDC_OEM_CAPTION, "oemCaption"},
    {IDC_MAC_CAPTION, "macCaption"},
    {IDC_SELECTION_LINE, "selectionLine"},
    {IDC_APPLY_RESULT, "applyResult"},
    {IDC_APPLY_MARK, "applyMark"},
    {IDC_STATUS, "statusLabel"},
    {IDC_FACTORY_GROUP, "factoryPanel"},
    {IDC_APPLY, "applyButton"},
};

// The network settings dialog.
inline constexpr ControlName kNetworkSettingsControls[] = {
    {1013, "dhcpButton"}, {1014, "staticButton"},     {1015, "ipAddress"},
    {1016, "subnetMask"}, {1017, "gateway"},          {1021, "dns1"},
    {1022, "dns2"},       {1018, "serverIp"},         {1023, "httpsCheck"},
    {1024, "httpPort"},   {1025, "httpsPort"},        {1020, "userId"},
    {1026, "password"},   {1, "networkChangeButton"}, {2, "cancelButton"},
};

// The factory reset dialog.
inline constexpr ControlName kFactoryResetControls[] = {
    {1034, "userId"},
    {1035, "password"},
    {1008, "factoryResetButton"},
    {1009, "cancelButton"},
};

// The object name a table gives a control number, nullptr for none.
inline const char* controlName(std::span<const ControlName> table, int id) {
    for (const ControlName& control : table)
        if (control.id == id) return control.objectName;
    return nullptr;
}

// The control under `root` that a table names by `id`, nullptr for none.
template <typename W = QWidget>
W* findControl(const QWidget& root, std::span<const ControlName> table, int id) {
    const char* name = controlName(table, id);
    return name ? root.findChild<W*>(QString::fromLatin1(name)) : nullptr;
}

}  // namespace fendrix::testing
