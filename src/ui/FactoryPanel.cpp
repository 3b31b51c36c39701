#include "ui/FactoryPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "factory/apply_outcome.h"
#include "factory/mac_text.h"
#include "factory/oem_table.h"
#include "ui/DialogUnits.h"
#include "ui/ElidedLabel.h"
#include "wire/result_reply.h"

namespace fendrix {

namespace {
QString latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}
}  // namespace

FactoryPanel::FactoryPanel(const DialogUnits& units, kestrel::Prompts& prompts, QWidget* parent)
    : QGroupBox(parent), prompts_(prompts) {
    setObjectName(QStringLiteral("factoryPanel"));
    // The template places every control in window coordinates; the panel's
    // own are taken from the same rounded pixels, so nothing moves.
    const QRect frame = units.rect(344, 8, 243, 51);
    setGeometry(frame);
    auto place = [&](int x, int y, int width, int height) {
        return units.rect(x, y, width, height).translated(-frame.topLeft());
    };

    oemSelector_ = new QComboBox(this);
    oemSelector_->setObjectName(QStringLiteral("oemSelector"));
    oemSelector_->setEditable(false);
    placeDropDown(oemSelector_, place(368, 15, 126, 70));
    for (const auto& brand : kestrel::kOemBrands) oemSelector_->addItem(latin1(brand.name));
    oemSelector_->setCurrentIndex(0);

    macEntry_ = new QLineEdit(this);
    macEntry_->setObjectName(QStringLiteral("macEntry"));
    macEntry_->setGeometry(place(368, 29, 126, 13));

    auto* macCaption = new QLabel(QStringLiteral("MAC :"), this);
    macCaption->setObjectName(QStringLiteral("macCaption"));
    macCaption->setGeometry(place(346, 31, 19, 8));

    auto* oemCaption = new QLabel(QStringLiteral("OEM :"), this);
    oemCaption->setObjectName(QStringLiteral("oemCaption"));
    oemCaption->setGeometry(place(346, 17, 19, 8));

    applyResult_ = new ElidedLabel(QString::fromLatin1(kApplyResultInfo), this);
    applyResult_->setObjectName(QStringLiteral("applyResult"));
    applyResult_->setGeometry(place(349, 46, 159, 8));
    applyResult_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    applyMark_ = new QLabel(QString(), this);
    applyMark_->setObjectName(QStringLiteral("applyMark"));
    applyMark_->setGeometry(place(511, 46, 60, 8));
    applyMark_->setAlignment(Qt::AlignCenter);

    const QColor magenta(255, 0, 221);
    makeBoldLabel(applyResult_, magenta);
    makeBoldLabel(applyMark_, magenta);

    auto* applyButton = makeButton(QStringLiteral("Apply"), this);
    applyButton->setObjectName(QStringLiteral("applyButton"));
    applyButton->setGeometry(place(499, 15, 83, 26));

    connect(applyButton, &QPushButton::clicked, this, &FactoryPanel::apply);
    // Choosing a brand makes the MAC entry usable (it never is otherwise).
    connect(oemSelector_, &QComboBox::currentIndexChanged, macEntry_,
            [this] { macEntry_->setEnabled(true); });
}

void FactoryPanel::apply() {
    // Wire texts are single-byte; a character outside Latin-1 becomes '?',
    // which the MAC rule rejects.
    const QByteArray typed = macEntry_->text().toLatin1();
    const int position = oemSelector_->currentIndex();
    const auto mac = kestrel::normalizeMacText(
        std::string_view(typed.constData(), static_cast<std::size_t>(typed.size())));
    if (!mac) {
        prompts_.show("Enter your Mac address correctly !", kestrel::PromptIcon::Warning);
        return;
    }
    // Emptied before the window looks for the row, so also when there is none.
    macEntry_->clear();
    emit applyRequested(position + 1, *mac);
}

void FactoryPanel::showApplyReply(const kestrel::ApplyReply& reply) {
    const auto outcome = kestrel::applyOutcome(reply);
    if (!outcome.result_line) {
        // 0, 1, 5 and 6 share the result reply's texts; the others show nothing.
        if (outcome.message) prompts_.show(*outcome.message, kestrel::PromptIcon::Information);
        return;
    }
    prompts_.show(*outcome.message, kestrel::PromptIcon::Warning);
    // Only now, with the box closed, do the new texts appear.
    applyResult_->setText(latin1(*outcome.result_line));
    applyMark_->setText(latin1(outcome.mark));
}

}  // namespace fendrix
