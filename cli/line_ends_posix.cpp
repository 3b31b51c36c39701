// POSIX: "\n" is written as it is.
#include "line_ends.h"

namespace fendrix_cli {

void useNewlineLineEnds() {}

}  // namespace fendrix_cli
