#include "factory/oem_table.h"

namespace kestrel {

namespace {
const OemBrand* brand(int oemIndex) {
    for (const auto& b : kOemBrands)
        if (b.oem_index == oemIndex) return &b;
    return nullptr;
}
}  // namespace

std::string_view oemName(int oemIndex) {
    const OemBrand* b = brand(oemIndex);
    return b ? b->name : std::string_view{};
}

std::string_view oemCode(int oemIndex) {
    const OemBrand* b = brand(oemIndex);
    return b ? b->code : std::string_view{};
}

}  // namespace kestrel
