// Keys and values as Registry Editor writes them in a .reg file (version 5),
// the text that Registry Editor and reg import read back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

struct RegistryValue {
    std::u16string name;  // empty for the default value
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

// A key with every value and subkey below it, to any depth.
struct KeySnapshot {
    std::u16string name;  // below its parent
    std::vector<RegistryValue> values;
    std::vector<KeySnapshot> subkeys;
};

inline constexpr std::u16string_view RegistryFileHeader = u"Windows Registry Editor Version 5.00";
inline constexpr std::u16string_view MachineRoot = u"HKEY_LOCAL_MACHINE\\";
inline constexpr std::u16string_view LineEnd = u"\r\n";

// Whether the text comes back from a file as it is: no U+0000, and no line
// break, which would end the file's line.
bool FileCanCarry(std::u16string_view name);
// The same for a key name, which also must not hold "]": how Registry Editor
// splits such a "[...]" line is not known, and a wrong split in a "[-...]" line
// would delete another key.
bool KeyLineCanCarry(std::u16string_view name);
// Importers add a terminating unit to string data and read past an odd last
// byte, so such a value would not come back as it was.
bool ValueCanCarry(const RegistryValue& value);

// One value's line: strings quoted and escaped, dwords as numbers, everything
// else as hex bytes, a long line continued with a backslash.
void AppendValue(std::u16string& out, const RegistryValue& value);

// The key's "[path]" block and those of its subkeys; path is the key's full
// path, and is given back as it came.
void AppendKey(std::u16string& out, std::u16string& path, const KeySnapshot& key);

// Enough room for the text of a key in most cases.
std::size_t RoomFor(const KeySnapshot& key, std::size_t pathLength);

std::vector<std::uint8_t> Utf16WithByteOrderMark(std::u16string_view text);

}  // namespace tessary
