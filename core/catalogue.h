// Reads the overlay identifier subkeys, with the class identifier text of each,
// into CurrentList.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/overlay.h"
#include "core/registry.h"

namespace tessary {

// Capacities of the scan's buffers, each including the terminating NUL.
inline constexpr std::uint32_t SubkeyNameCapacity = 260;
inline constexpr std::uint32_t ValueNameCapacity = 260;
inline constexpr std::uint32_t ValueDataCapacity = 520;  // bytes

// A key that fails this many indices in a row will not answer the next one
// either; without a limit the scan would try all four billion.
inline constexpr int MaxFailedIndicesInARow = 64;

// Appends one entry for every subkey whose first value is REG_SZ text, in the
// order the registry enumerates them. Nothing is reported: a subkey that cannot
// be read is left out, and an unopenable key leaves the list as it is. Another
// key is read only by the tests on Windows' registry, which leave the overlay key alone.
void ReadOverlayIdentifiers(RegistryApi& registry, OverlayList& CurrentList,
                            std::u16string_view keyPath = OverlayIdentifiersPath);

// The class identifier text that the scan takes from a subkey's first value:
// REG_SZ data up to its first NUL. False for a value of another type.
bool HandlerClsidOf(std::uint32_t type, std::span<const std::uint8_t> data, std::u16string& clsid);

// Every subkey name of the overlay key as it is now, also of the subkeys the
// scan leaves out. False when the key or any index cannot be read: then the
// names are not known.
bool ReadSubkeyNames(RegistryApi& registry, std::vector<std::u16string>& names);
// The same for a key that is open.
bool ReadSubkeyNames(RegistryApi& registry, RegKey key, std::vector<std::u16string>& names);

}  // namespace tessary
