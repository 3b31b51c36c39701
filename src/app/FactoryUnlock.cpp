#include "app/FactoryUnlock.h"

namespace fendrix {

namespace {
constexpr char kAccessCode[] = "tundrax5832!";
constexpr qsizetype kAccessCodeLength = sizeof(kAccessCode) - 1;
}  // namespace

bool isFactoryModeCommandLine(const QStringList& arguments) {
    if (arguments.size() != 3) return false;
    if (!arguments.at(1).startsWith(QStringLiteral("-p"))) return false;
    const QString& code = arguments.at(2);
    return code.size() >= kAccessCodeLength &&
           code.left(kAccessCodeLength) == QLatin1String(kAccessCode);
}

}  // namespace fendrix
