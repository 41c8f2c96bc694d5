#include "core/win32/registry_win32.h"

#include <windows.h>

#include "core/win32/wide.h"

namespace tessary {
namespace {

HKEY Key(RegKey key) { return static_cast<HKEY>(key); }

}  // namespace

long Win32Registry::OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) {
    HKEY opened = nullptr;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, Wide(path), 0, access, &opened);
    if (status == ERROR_SUCCESS) *key = opened;
    return status;
}

long Win32Registry::EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* nameLength) {
    DWORD length = *nameLength;
    FILETIME lastWrite{};
    const LSTATUS status = RegEnumKeyExW(Key(key), index, Wide(name), &length, nullptr, nullptr, nullptr, &lastWrite);
    *nameLength = length;
    return status;
}

long Win32Registry::EnumValue(RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                              std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) {
    DWORD nameLength = *valueNameLength;
    DWORD valueType = 0;
    DWORD length = *dataLength;
    const LSTATUS status =
        RegEnumValueW(Key(key), index, Wide(valueName), &nameLength, nullptr, &valueType, data, &length);
    *valueNameLength = nameLength;
    *type = valueType;
    *dataLength = length;
    return status;
}

long Win32Registry::CloseKey(RegKey key) { return RegCloseKey(Key(key)); }

long Win32Registry::RenameKey(RegKey key, const char16_t* from, const char16_t* to) {
    return RegRenameKey(Key(key), Wide(from), Wide(to));
}

long Win32Registry::DeleteKey(RegKey key, const char16_t* name) { return RegDeleteKeyW(Key(key), Wide(name)); }

}  // namespace tessary
