#pragma once
#include <QStringList>

namespace fendrix {

// Factory mode is unlocked by exactly two arguments after the program name:
// the first begins with "-p", the second begins with the 12-character access
// code. Anything else leaves the normal mode, without a word.
bool isFactoryModeCommandLine(const QStringList& arguments);

}  // namespace fendrix
