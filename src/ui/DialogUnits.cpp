#include "ui/DialogUnits.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QPalette>
#include <QPushButton>
#include <QStringList>

namespace fendrix {

namespace {
int mulDiv(int value, int numerator, int denominator) {
    // Rounded like the platform's MulDiv, also for negative values.
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}
// Tahoma where it exists; elsewhere a sans of similar width, so that the
// fixed column widths still hold a MAC address.
QStringList fallbackFamilies(QStringList first) {
    first << QStringLiteral("Tahoma") << QStringLiteral("Liberation Sans")
          << QStringLiteral("Arial") << QStringLiteral("DejaVu Sans Condensed")
          << QStringLiteral("DejaVu Sans") << QStringLiteral("sans-serif");
    return first;
}
}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width is taken over the 52 Latin letters, rounded.
    const int extent = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = (extent / 26 + 1) / 2;
    baseY_ = metrics.height();
}

int DialogUnits::x(int du) const { return mulDiv(du, baseX_, 4); }
int DialogUnits::y(int du) const { return mulDiv(du, baseY_, 8); }

QRect DialogUnits::rect(int left, int top, int width, int height) const {
    return {x(left), y(top), x(width), y(height)};
}

QFont dialogFont() {
    QFont font;
    font.setFamilies(
        fallbackFamilies({QStringLiteral("MS Shell Dlg"), QStringLiteral("MS Shell Dlg 2")}));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    return font;
}

QFont boldLabelFont() {
    QFont font;
    font.setFamilies(fallbackFamilies({}));
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    // A font height of 15 names the character cell, leading included; Qt's
    // pixel size names the em, so shrink it until the cell fits 15 pixels.
    constexpr int kCellHeight = 15;
    int pixels = kCellHeight;
    font.setPixelSize(pixels);
    while (pixels > 8 && QFontMetrics(font).height() > kCellHeight) font.setPixelSize(--pixels);
    return font;
}

void makeBoldLabel(QWidget* label, const QColor& colour) {
    label->setFont(boldLabelFont());
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, colour);
    label->setPalette(pal);
}

void placeDropDown(QComboBox* combo, const QRect& rect) {
    combo->setGeometry(rect.x(), rect.y(), rect.width(), combo->sizeHint().height());
}

QPushButton* makeButton(const QString& caption, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace fendrix
