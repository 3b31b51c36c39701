#pragma once
// OEM brands: selector position + 1 is the brand's oem_index.
#include <cstdint>
#include <string_view>

namespace kestrel {

struct OemBrand {
    std::uint8_t oem_index;
    std::string_view name;  // shown in the selector and the apply result line
    std::string_view code;  // sent in the request
};

inline constexpr OemBrand kOemBrands[] = {
    {1, "KESTREL", "KESTREL"}, {2, "MARLO #1", "MARLO1"}, {3, "MARLO #2", "MARLO2"},
    {4, "QEL", "QEL"},         {5, "RVM", "RVM"},         {6, "TALLIS", "TALLIS"},
    {7, "ZANT", "ZANT"},
};

// Brand name for an oem_index, "" outside 1..7.
std::string_view oemName(int oemIndex);
// Code text sent for an oem_index; "" (nothing written) for 0 and outside 1..7.
std::string_view oemCode(int oemIndex);

}  // namespace kestrel
