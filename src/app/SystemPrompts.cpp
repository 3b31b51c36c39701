#include "app/SystemPrompts.h"

#include <QApplication>
#include <QFileDialog>
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

std::optional<kestrel::SaveChoice> SystemPrompts::askSavePath(
    std::string_view title, const std::vector<std::string>& filters) {
    QStringList filterTexts;
    for (const auto& filter : filters) filterTexts << QString::fromStdString(filter);
    QString selected = filterTexts.value(0);
    const QString path = QFileDialog::getSaveFileName(
        QApplication::activeWindow(),
        QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())), QString(),
        filterTexts.join(QStringLiteral(";;")), &selected);
    if (path.isEmpty()) return std::nullopt;
    return kestrel::SaveChoice{path.toStdString(), selected.toStdString()};
}

}  // namespace fendrix
