#pragma once
// The adapter a request goes out from, as the tool offers it: its address
// and MAC texts are written into every request, so the request builders of
// the rules need it without the adapters' sources.
#include <string>

namespace kestrel {

// A usable adapter: position i of the selector is entry i.
struct AdapterEntry {
    std::string description;
    std::string ip_text;   // dotted text, at most 15 characters
    std::string mac_text;  // "%02x:%02x:%02x:%02x:%02x:%02x"
    std::string if_name;
};

}  // namespace kestrel
