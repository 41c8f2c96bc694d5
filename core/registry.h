// The registry operations the ordering core needs, as one small seam. The
// production implementation forwards each call to the advapi32 function of the
// same name; tests use an in-memory registry. Results are Win32 status codes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tessary {

using RegKey = void*;

// Copies of the Windows values that the portable code needs, as it builds
// without <windows.h>; core/win32/sdk_copies.cpp ties each to the SDK's own.
namespace sdk {
inline constexpr long ErrorSuccess = 0;
inline constexpr long ErrorFileNotFound = 2;
inline constexpr long ErrorAccessDenied = 5;
inline constexpr long ErrorInvalidHandle = 6;
inline constexpr long ErrorMoreData = 234;
inline constexpr long ErrorNoMoreItems = 259;
inline constexpr long ErrorKeyDeleted = 1018;

inline constexpr std::uint32_t KeyQueryValue = 0x0001;
inline constexpr std::uint32_t Delete = 0x00010000;
inline constexpr std::uint32_t KeyRead = 0x20019;
inline constexpr std::uint32_t KeyWrite = 0x20006;

inline constexpr std::uint32_t RegSz = 1;
inline constexpr std::uint32_t RegExpandSz = 2;
inline constexpr std::uint32_t RegBinary = 3;
inline constexpr std::uint32_t RegDword = 4;
inline constexpr std::uint32_t RegMultiSz = 7;
}  // namespace sdk

class RegistryApi {
public:
    virtual ~RegistryApi() = default;

    // RegOpenKeyExW(HKEY_LOCAL_MACHINE, path, 0, access, key).
    virtual long OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) = 0;

    // RegEnumKeyExW(key, index, name, nameLength, null, null, null, &lastWrite).
    // nameLength: capacity in code units including the NUL; on success the
    // length without it.
    virtual long EnumKey(RegKey key, std::uint32_t index, char16_t* name,
                         std::uint32_t* nameLength) = 0;

    // RegEnumValueW(key, index, valueName, valueNameLength, null, type, data, dataLength).
    // dataLength: capacity in bytes; on success the bytes returned.
    virtual long EnumValue(RegKey key, std::uint32_t index, char16_t* valueName,
                           std::uint32_t* valueNameLength, std::uint32_t* type,
                           std::uint8_t* data, std::uint32_t* dataLength) = 0;

    virtual long CloseKey(RegKey key) = 0;

    // RegRenameKey(key, from, to).
    virtual long RenameKey(RegKey key, const char16_t* from, const char16_t* to) = 0;

    // RegDeleteKeyW(key, name).
    virtual long DeleteKey(RegKey key, const char16_t* name) = 0;
};

// Closes an open key when it goes out of scope.
class KeyCloser {
public:
    explicit KeyCloser(RegistryApi& registry) : registry_(&registry) {}
    void operator()(void* key) const { registry_->CloseKey(key); }

private:
    RegistryApi* registry_;
};
using OpenKey = std::unique_ptr<void, KeyCloser>;

// Opens a key below HKEY_LOCAL_MACHINE; empty when the registry refuses.
inline OpenKey OpenMachineKey(RegistryApi& registry, std::u16string_view path, std::uint32_t access) {
    RegKey raw = nullptr;
    if (registry.OpenLocalMachineKey(std::u16string(path).c_str(), access, &raw) != sdk::ErrorSuccess) raw = nullptr;
    return OpenKey(raw, KeyCloser(registry));
}

}  // namespace tessary
