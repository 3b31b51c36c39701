#pragma once
// fendrix-cli's standard output and error end lines in "\n" on every
// platform, so that scripts read the same bytes from the Windows and the
// Linux build (the Windows C runtime would write "\r\n").
namespace fendrix_cli {

void useNewlineLineEnds();

}  // namespace fendrix_cli
