#pragma once
// A one-line label that ends its text with "..." when it does not fit,
// instead of wrapping or clipping. text() keeps the whole text.
#include <QLabel>

namespace fendrix {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace fendrix
