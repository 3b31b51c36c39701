// Windows: the C runtime's text mode would turn "\n" into "\r\n".
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "line_ends.h"

namespace fendrix_cli {

void useNewlineLineEnds() {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace fendrix_cli
