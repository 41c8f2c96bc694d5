// Reads the overlay identifier subkeys, with the class identifier text of each,
// into CurrentList.
#pragma once

#include "core/overlay.h"
#include "core/registry.h"

namespace tessary {

// Capacities of the scan's buffers, each including the terminating NUL.
inline constexpr std::uint32_t SubkeyNameCapacity = 260;
inline constexpr std::uint32_t ValueNameCapacity = 260;
inline constexpr std::uint32_t ValueDataCapacity = 520;  // bytes

// Appends one entry for every subkey whose first value is REG_SZ text, in the
// order the registry enumerates them. Nothing is reported: a subkey that cannot
// be read is left out, and an unopenable key leaves the list as it is.
void ReadOverlayIdentifiers(RegistryApi& registry, OverlayList& CurrentList);

}  // namespace tessary
