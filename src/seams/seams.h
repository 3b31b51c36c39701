#pragma once
// The outside world of the main window, chosen at start-up: real
// implementations in the program, fakes in the GUI tests.
#include "seams/desktop.h"
#include "seams/prompts.h"
#include "transport/adapter.h"
#include "transport/capture_source.h"
#include "transport/datagram_socket.h"

namespace kestrel {

struct Seams {
    AdapterSource& adapters;
    DatagramSocket& socket;
    CaptureSource& capture;
    Prompts& prompts;
    Desktop& desktop;
};

}  // namespace kestrel
