#pragma once
// The outside world of the main window, chosen at start-up: real
// implementations in the program, fakes in the GUI tests.
#include "net/adapter.h"
#include "net/capture_source.h"
#include "net/datagram_socket.h"
#include "seams/desktop.h"
#include "seams/prompts.h"

namespace kestrel {

struct Seams {
    AdapterSource& adapters;
    DatagramSocket& socket;
    CaptureSource& capture;
    Prompts& prompts;
    Desktop& desktop;
};

}  // namespace kestrel
