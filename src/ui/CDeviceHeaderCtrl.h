#pragma once
// Header of the device list: titles centred, sections that can be dragged to
// a new place but are neither buttons nor sort keys.
#include <QHeaderView>

namespace fendrix {

class CDeviceHeaderCtrl : public QHeaderView {
    Q_OBJECT
public:
    explicit CDeviceHeaderCtrl(QWidget* parent = nullptr);
};

}  // namespace fendrix
