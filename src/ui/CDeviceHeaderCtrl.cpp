#include "ui/CDeviceHeaderCtrl.h"

namespace fendrix {

CDeviceHeaderCtrl::CDeviceHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsMovable(true);
    setSectionsClickable(false);
    setSortIndicatorShown(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignCenter);
    setStretchLastSection(false);
    setSectionResizeMode(QHeaderView::Interactive);
}

}  // namespace fendrix
