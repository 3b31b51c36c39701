#include "ui/IpAddressEdit.h"

#include "wire/address_text.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace fendrix {

namespace {

constexpr int kMaxDigits = 3;

// One field: blank, or one to three digits worth at most 255. Anything that
// cannot become such a field is refused as it is typed.
class OctetValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override {
        if (input.size() > kMaxDigits) return Invalid;
        for (QChar c : input)
            if (c < u'0' || c > u'9') return Invalid;
        if (!input.isEmpty() && input.toInt() > 255) return Invalid;
        return Acceptable;
    }
};

}  // namespace

IpAddressEdit::IpAddressEdit(QWidget* parent) : QFrame(parent) {
    // Looks like one line edit: a sunken panel with borderless fields inside.
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(3, 1, 3, 1);
    layout->setSpacing(0);

    // Room for "255" and the cursor, no more: the control is as wide as its content.
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("2550"));
    auto* validator = new OctetValidator(this);
    for (int i = 0; i < kFieldCount; ++i) {
        if (i > 0) {
            auto* dot = new QLabel(QStringLiteral("."), this);
            dot->setBackgroundRole(QPalette::Base);
            layout->addWidget(dot);
        }
        auto* field = new QLineEdit(this);
        field->setObjectName(QStringLiteral("field%1").arg(i));
        field->setFrame(false);
        field->setAlignment(Qt::AlignCenter);
        field->setMaxLength(kMaxDigits);
        field->setValidator(validator);
        field->setFixedWidth(fieldWidth);
        field->installEventFilter(this);
        // Tab enters and leaves the control as a whole; inside it the user
        // moves with '.', the arrow keys, or by typing three digits.
        if (i > 0) field->setFocusPolicy(Qt::ClickFocus);
        connect(field, &QLineEdit::textEdited, this, [this, i] { onFieldEdited(i); });
        layout->addWidget(field);
        fields_[static_cast<std::size_t>(i)] = field;
    }
    setFocusProxy(fields_[0]);
}

QLineEdit* IpAddressEdit::field(int index) const {
    return fields_.at(static_cast<std::size_t>(index));
}

void IpAddressEdit::setAddress(const QString& text) {
    const auto values = kestrel::dottedNumbers(text.toStdString());
    for (int i = 0; i < kFieldCount; ++i)
        field(i)->setText(values ? QString::number((*values)[static_cast<std::size_t>(i)])
                                 : QString());
}

QString IpAddressEdit::text() const {
    return QString::asprintf("%d.%d.%d.%d", field(0)->text().toInt(), field(1)->text().toInt(),
                             field(2)->text().toInt(), field(3)->text().toInt());
}

bool IpAddressEdit::isBlank() const {
    for (const QLineEdit* f : fields_)
        if (!f->text().isEmpty()) return false;
    return true;
}

void IpAddressEdit::clear() {
    for (QLineEdit* f : fields_) f->clear();
}

int IpAddressEdit::indexOf(const QObject* object) const {
    for (int i = 0; i < kFieldCount; ++i)
        if (fields_[static_cast<std::size_t>(i)] == object) return i;
    return -1;
}

void IpAddressEdit::focusField(int index, bool atEnd) {
    QLineEdit* f = field(index);
    f->setFocus(Qt::OtherFocusReason);
    if (atEnd) f->end(false);
    else f->selectAll();
}

void IpAddressEdit::onFieldEdited(int index) {
    const QLineEdit* f = field(index);
    if (index + 1 < kFieldCount && f->text().size() == kMaxDigits &&
        f->cursorPosition() == kMaxDigits)
        focusField(index + 1, false);
}

bool IpAddressEdit::eventFilter(QObject* watched, QEvent* event) {
    const int index = indexOf(watched);
    if (index < 0 || event->type() != QEvent::KeyPress) return QFrame::eventFilter(watched, event);

    auto* key = static_cast<QKeyEvent*>(event);
    QLineEdit* f = field(index);
    const bool last = index + 1 == kFieldCount;

    if (key->matches(QKeySequence::Paste)) {
        // A whole address pasted into any field fills the control.
        const QString pasted = QApplication::clipboard()->text().trimmed();
        if (kestrel::dottedNumbers(pasted.toStdString())) {
            setAddress(pasted);
            focusField(kFieldCount - 1, true);
            return true;
        }
        return false;
    }
    switch (key->key()) {
    case Qt::Key_Period:
    case Qt::Key_Space:
        if (!last && !f->text().isEmpty()) focusField(index + 1, false);
        return true;  // never part of a field
    case Qt::Key_Right:
        if (!last && !f->hasSelectedText() && f->cursorPosition() == f->text().size()) {
            focusField(index + 1, false);
            field(index + 1)->home(false);
            return true;
        }
        break;
    case Qt::Key_Left:
    case Qt::Key_Backspace:
        if (index > 0 && !f->hasSelectedText() && f->cursorPosition() == 0) {
            focusField(index - 1, true);
            return true;
        }
        break;
    default: break;
    }
    return false;
}

}  // namespace fendrix
