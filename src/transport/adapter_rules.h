#pragma once
// Which of the system's adapters the selector offers, and how they are named.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "transport/adapter.h"

namespace kestrel {

// "%02x:%02x:%02x:%02x:%02x:%02x" of the first six bytes (zeros where fewer).
std::string macText(std::span<const std::uint8_t> hardware);

// Drops descriptions beginning with "VirtualBox" or "Bluetooth" and addresses
// beginning with "0.0.0.0"; keeps the system's order.
std::vector<AdapterEntry> usableAdapters(const std::vector<SystemAdapter>& system);

}  // namespace kestrel
