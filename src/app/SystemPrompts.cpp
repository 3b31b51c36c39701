#include "app/SystemPrompts.h"

#include <QApplication>
#include <QMessageBox>

namespace fendrix {

void SystemPrompts::show(std::string_view text, kestrel::PromptIcon icon) {
    QMessageBox box(
        icon == kestrel::PromptIcon::Information ? QMessageBox::Information : QMessageBox::Warning,
        QStringLiteral("Fendrix"),
        QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok,
        QApplication::activeWindow());
    box.exec();
}

}  // namespace fendrix
