#include "core/registry_text.h"

#include <algorithm>

#include "core/registry.h"

namespace tessary {
namespace {

constexpr std::u16string_view HexDigits = u"0123456789abcdef";

bool IsStringType(std::uint32_t type) { return type == sdk::RegSz || type == sdk::RegExpandSz || type == sdk::RegMultiSz; }

void AppendHexByte(std::u16string& out, std::uint8_t byte) {
    out += HexDigits[byte >> 4];
    out += HexDigits[byte & 0xF];
}

void AppendHex(std::u16string& out, std::uint32_t number) {
    const std::size_t start = out.size();
    do {
        out += HexDigits[number & 0xF];
        number >>= 4;
    } while (number != 0);
    std::reverse(out.begin() + static_cast<std::ptrdiff_t>(start), out.end());
}

void AppendEscaped(std::u16string& out, char16_t unit) {
    if (unit == u'\\' || unit == u'"') out += u'\\';
    out += unit;
}

char16_t UnitAt(const std::vector<std::uint8_t>& data, std::size_t unit) {
    return static_cast<char16_t>(data[2 * unit] | (data[2 * unit + 1] << 8));
}

// The units of REG_SZ data that a quoted string gives back: whole units, no NUL
// but one at the end, and no line break, which would end the file's line. An
// importer adds the terminating NUL, so data without one comes back with it,
// which every reader reads the same. Anything else is written as bytes.
bool AsOneString(const std::vector<std::uint8_t>& data, std::size_t& units) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    units = data.size() / 2;
    if (UnitAt(data, units - 1) == u'\0') --units;
    for (std::size_t i = 0; i < units; ++i) {
        const char16_t unit = UnitAt(data, i);
        if (unit == u'\0' || unit == u'\r' || unit == u'\n') return false;
    }
    return true;
}

}  // namespace

bool FileCanCarry(std::u16string_view name) {
    return name.find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string_view::npos;
}

bool KeyLineCanCarry(std::u16string_view name) { return FileCanCarry(name) && name.find(u']') == std::u16string_view::npos; }

bool ValueCanCarry(const RegistryValue& value) {
    return FileCanCarry(value.name) && !(IsStringType(value.type) && value.data.size() % 2 != 0);
}

void AppendValue(std::u16string& out, const RegistryValue& value) {
    const std::size_t lineStart = out.size();
    if (value.name.empty()) {
        out += u'@';
    } else {
        out += u'"';
        for (const char16_t unit : value.name) AppendEscaped(out, unit);
        out += u'"';
    }
    out += u'=';
    std::size_t units = 0;
    if (value.type == sdk::RegSz && AsOneString(value.data, units)) {
        out += u'"';
        for (std::size_t i = 0; i < units; ++i) AppendEscaped(out, UnitAt(value.data, i));
        out += u'"';
    } else if (value.type == sdk::RegDword && value.data.size() == 4) {
        out += u"dword:";
        for (std::size_t i = 4; i-- > 0;) AppendHexByte(out, value.data[i]);
    } else {
        if (value.type == sdk::RegBinary) {
            out += u"hex:";
        } else {
            out += u"hex(";
            AppendHex(out, value.type);
            out += u"):";
        }
        std::size_t line = lineStart;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            AppendHexByte(out, value.data[i]);
            if (i + 1 == value.data.size()) break;
            out += u',';
            if (out.size() - line > 75) {
                out += u'\\';
                out += LineEnd;
                line = out.size();
                out += u"  ";
            }
        }
    }
    out += LineEnd;
}

void AppendKey(std::u16string& out, std::u16string& path, const KeySnapshot& key) {
    out += u'[';
    out += path;
    out += u']';
    out += LineEnd;
    for (const RegistryValue& value : key.values) AppendValue(out, value);
    out += LineEnd;
    for (const KeySnapshot& subkey : key.subkeys) {
        const std::size_t length = path.size();
        path += u'\\';
        path += subkey.name;
        AppendKey(out, path, subkey);
        path.resize(length);
    }
}

// Hex takes about three units a byte.
std::size_t RoomFor(const KeySnapshot& key, std::size_t pathLength) {
    std::size_t room = pathLength + key.name.size() + 8;
    for (const RegistryValue& value : key.values) room += value.name.size() + 3 * value.data.size() + value.data.size() / 8 + 16;
    for (const KeySnapshot& subkey : key.subkeys) room += RoomFor(subkey, pathLength + key.name.size() + 1);
    return room;
}

std::vector<std::uint8_t> Utf16WithByteOrderMark(std::u16string_view text) {
    std::vector<std::uint8_t> bytes = {0xFF, 0xFE};
    bytes.reserve(2 + 2 * text.size());
    for (const char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

}  // namespace tessary
