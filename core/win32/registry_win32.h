// The registry seam on the real advapi32 functions.
#pragma once

#include "core/registry.h"

namespace tessary {

class Win32Registry final : public RegistryApi {
public:
    long OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) override;
    long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) override;
    long EnumValue(RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override;
    long CloseKey(RegKey key) override;
    long RenameKey(RegKey key, const char16_t* from, const char16_t* to) override;
    long DeleteKey(RegKey key, const char16_t* name) override;
};

}  // namespace tessary
