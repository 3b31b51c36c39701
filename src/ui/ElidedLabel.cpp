#include "ui/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace fendrix {

QString ElidedLabel::elideAtWordEnd(const QString& text, const QFontMetrics& metrics, int width) {
    if (metrics.horizontalAdvance(text) <= width) return text;
    const QString dots = QStringLiteral("...");
    // The longest run of whole words that fits with the dots after it.
    for (qsizetype end = text.lastIndexOf(QLatin1Char(' ')); end > 0;
         end = text.lastIndexOf(QLatin1Char(' '), end - 1)) {
        const QString head = text.left(end).trimmed();
        if (!head.isEmpty() && metrics.horizontalAdvance(head + dots) <= width) return head + dots;
    }
    // Not even the first word fits: cut inside it.
    return metrics.elidedText(text, Qt::ElideRight, width);
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = elideAtWordEnd(text(), fontMetrics(), area.width());
    style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                          shown, foregroundRole());
}

}  // namespace fendrix
