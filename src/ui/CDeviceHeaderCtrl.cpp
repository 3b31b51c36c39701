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
    // The columns keep their widths in pixels, also the 30 of "No": the
    // style's minimum (38 with the Windows styles) must not widen them, and a
    // column may be dragged as narrow as a list view's.
    setMinimumSectionSize(0);
}

}  // namespace fendrix
