#pragma once
// A one-line label that, when its text does not fit, ends it with "..." after
// the last whole word that fits, instead of wrapping or clipping. text()
// keeps the whole text.
#include <QLabel>

namespace fendrix {

class ElidedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    static QString elideAtWordEnd(const QString& text, const QFontMetrics& metrics, int width);

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace fendrix
