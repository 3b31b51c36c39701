#pragma once
// Dialog-template geometry: rectangles in dialog units are turned into pixels
// with the dialog font's base units, as the templates were laid out; and the
// few habits every control of a template shares.
#include <QColor>
#include <QFont>
#include <QRect>

class QComboBox;
class QPushButton;
class QString;
class QWidget;

namespace fendrix {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& dialogFont);

    int baseX() const { return baseX_; }  // average character width
    int baseY() const { return baseY_; }  // character height
    int x(int du) const;                  // du * baseX / 4, rounded
    int y(int du) const;                  // du * baseY / 8, rounded
    QRect rect(int x, int y, int width, int height) const;

private:
    int baseX_;
    int baseY_;
};

// "MS Shell Dlg" 9 pt, falling back to the system's sans where it is missing.
QFont dialogFont();
// Bold "Tahoma" with a 15-pixel character cell (the labels' font), with fallback.
QFont boldLabelFont();
// Gives a label the bold label font and its text colour.
void makeBoldLabel(QWidget* label, const QColor& colour);

// A drop-down list is as high as its edit part; the template's height is
// that of the opened list.
void placeDropDown(QComboBox* combo, const QRect& rect);
// A push button that never takes Enter: Enter belongs to the window's own
// key handling, never to a default button.
QPushButton* makeButton(const QString& caption, QWidget* parent);

}  // namespace fendrix
