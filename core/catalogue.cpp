#include "core/catalogue.h"

#include <algorithm>
#include <array>

namespace tessary {
namespace {

// The class identifier text of the subkey's first value, or false when the
// subkey has none that qualifies.
bool ReadHandlerClsid(RegistryApi& registry, std::u16string_view keyPath, std::u16string_view name,
                      std::u16string& clsid) {
    // The subkey is opened by its full path from the root, as the scan's own key
    // handle is only for enumerating. The path grows as needed: names of up to 255
    // characters do not fit a fixed path buffer.
    std::u16string path(keyPath);
    path += u'\\';
    path += name;

    const OpenKey subkey = OpenMachineKey(registry, path, sdk::KeyQueryValue);
    if (!subkey) return false;

    std::array<char16_t, ValueNameCapacity> valueName{};
    std::array<std::uint8_t, ValueDataCapacity> data{};
    std::uint32_t valueNameLength = ValueNameCapacity;
    std::uint32_t dataLength = ValueDataCapacity;
    std::uint32_t type = 0;
    const long status = registry.EnumValue(subkey.get(), 0, valueName.data(), &valueNameLength,
                                           &type, data.data(), &dataLength);
    return status == sdk::ErrorSuccess &&
           HandlerClsidOf(type, std::span(data).first(std::min(dataLength, ValueDataCapacity)), clsid);
}

}  // namespace

// Only the bytes the registry returned count, and the text ends at the first
// NUL among them, if any.
bool HandlerClsidOf(std::uint32_t type, std::span<const std::uint8_t> data, std::u16string& clsid) {
    if (type != sdk::RegSz) return false;
    clsid.assign(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < clsid.size(); ++i) {
        clsid[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    }
    clsid.resize(std::min(clsid.size(), clsid.find(u'\0')));
    return true;
}

void ReadOverlayIdentifiers(RegistryApi& registry, OverlayList& CurrentList, std::u16string_view keyPath) {
    const OpenKey key = OpenMachineKey(registry, keyPath, sdk::KeyRead);
    if (!key) return;

    std::array<char16_t, SubkeyNameCapacity> name{};
    int failedInARow = 0;
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = SubkeyNameCapacity;
        const long status = registry.EnumKey(key.get(), index, name.data(), &nameLength);
        if (status == sdk::ErrorNoMoreItems) return;
        // The key itself is gone or the handle is unusable: every further index
        // would fail the same way.
        if (status == sdk::ErrorKeyDeleted || status == sdk::ErrorInvalidHandle) return;
        if (status != sdk::ErrorSuccess) {
            if (++failedInARow == MaxFailedIndicesInARow) return;
            continue;
        }
        failedInARow = 0;

        const std::u16string keyName(name.data(), std::min(nameLength, SubkeyNameCapacity - 1));
        // A name holding U+0000 (possible through the native API) reaches every
        // call cut at that unit, which names another subkey.
        if (keyName.find(u'\0') != std::u16string::npos) continue;
        OverlayEntry entry;
        if (!ReadHandlerClsid(registry, keyPath, keyName, entry.handlerClsid)) continue;
        entry.keyName = keyName;
        entry.bareName = StripLeadingBlanks(keyName);
        CurrentList.push_back(std::move(entry));
    }
}

bool ReadSubkeyNames(RegistryApi& registry, std::vector<std::u16string>& names) {
    const OpenKey key = OpenMachineKey(registry, OverlayIdentifiersPath, sdk::KeyRead);
    return key && ReadSubkeyNames(registry, key.get(), names);
}

bool ReadSubkeyNames(RegistryApi& registry, RegKey key, std::vector<std::u16string>& names) {
    std::array<char16_t, SubkeyNameCapacity> name{};
    for (std::uint32_t index = 0;; ++index) {
        std::uint32_t nameLength = SubkeyNameCapacity;
        const long status = registry.EnumKey(key, index, name.data(), &nameLength);
        if (status == sdk::ErrorNoMoreItems) return true;
        if (status != sdk::ErrorSuccess) return false;
        names.emplace_back(name.data(), std::min(nameLength, SubkeyNameCapacity - 1));
    }
}

}  // namespace tessary
