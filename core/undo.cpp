#include "core/undo.h"

#include <algorithm>

#include "core/catalogue.h"

namespace tessary {
namespace {

constexpr std::u16string_view RegistryFileHeader = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view MachineRoot = u"HKEY_LOCAL_MACHINE\\";
constexpr std::uint32_t RegBinary = 3;
constexpr std::uint32_t RegDword = 4;

// Value names have at most 16,383 characters; data has no fixed limit.
constexpr std::uint32_t ValueNameLimit = 16384;
constexpr std::size_t FirstDataCapacity = 1024;
// The byte count the registry takes is 32 bits.
constexpr std::size_t DataCapacityLimit = 0x80000000u;

// Names are already taken when another program planted files under them; after
// this many, something is wrong with the folder.
constexpr int MaxUndoFileAttempts = 100;

bool FileCanCarry(std::u16string_view name) {
    return name.find_first_of(std::u16string_view(u"\0\r\n", 3)) == std::u16string_view::npos;
}

bool ReadValues(RegistryApi& registry, RegKey key, std::vector<RegistryValue>& values) {
    std::vector<char16_t> name(ValueNameLimit);
    std::vector<std::uint8_t> data(FirstDataCapacity);
    for (std::uint32_t index = 0;;) {
        std::uint32_t nameLength = ValueNameLimit;
        auto dataLength = static_cast<std::uint32_t>(data.size());
        std::uint32_t type = 0;
        const long status = registry.EnumValue(key, index, name.data(), &nameLength, &type, data.data(), &dataLength);
        if (status == win32::ErrorNoMoreItems) return true;
        if (status == win32::ErrorMoreData) {
            // The value may grow between two calls: at least double each time.
            if (data.size() >= DataCapacityLimit) return false;
            data.resize(std::min(DataCapacityLimit, std::max<std::size_t>(dataLength, 2 * data.size())));
            continue;
        }
        if (status != win32::ErrorSuccess) return false;
        RegistryValue value{std::u16string(name.data(), std::min(nameLength, ValueNameLimit - 1)), type, {}};
        value.data.assign(data.begin(), data.begin() + std::min<std::size_t>(dataLength, data.size()));
        if (!FileCanCarry(value.name)) return false;
        values.push_back(std::move(value));
        ++index;
    }
}

// The key at the path below HKEY_LOCAL_MACHINE, whole.
bool ReadKey(RegistryApi& registry, const std::u16string& path, KeySnapshot& snapshot) {
    if (!FileCanCarry(snapshot.name)) return false;
    const OpenKey key = OpenMachineKey(registry, path, win32::KeyRead);
    std::vector<std::u16string> names;
    if (!key || !ReadValues(registry, key.get(), snapshot.values) || !ReadSubkeyNames(registry, key.get(), names)) {
        return false;
    }
    for (std::u16string& name : names) {
        KeySnapshot subkey{std::move(name), {}, {}};
        if (!ReadKey(registry, path + u'\\' + subkey.name, subkey)) return false;
        snapshot.subkeys.push_back(std::move(subkey));
    }
    return true;
}

std::u16string Number(int value, std::size_t width) {
    std::u16string digits;
    for (; value > 0 || digits.size() < width; value /= 10) digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    return digits;
}

constexpr std::u16string_view HexDigits = u"0123456789abcdef";

void AppendHexByte(std::u16string& out, std::uint8_t byte) {
    out += HexDigits[byte >> 4];
    out += HexDigits[byte & 0xF];
}

std::u16string Hex(std::uint32_t number) {
    std::u16string out;
    do {
        out.insert(out.begin(), HexDigits[number & 0xF]);
        number >>= 4;
    } while (number != 0);
    return out;
}

std::u16string Quoted(std::u16string_view text) {
    std::u16string out = u"\"";
    for (const char16_t unit : text) {
        if (unit == u'\\' || unit == u'"') out += u'\\';
        out += unit;
    }
    out += u'"';
    return out;
}

// REG_SZ data that is exactly one string: whole units, one NUL and that one at
// the end, and no line break, which would end the file's line. Anything else is
// written byte for byte, so that it comes back unchanged.
bool AsOneString(const std::vector<std::uint8_t>& data, std::u16string& text) {
    if (data.size() < 2 || data.size() % 2 != 0) return false;
    text.clear();
    for (std::size_t i = 0; i < data.size(); i += 2) text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (text.back() != u'\0') return false;
    text.pop_back();
    return FileCanCarry(text);
}

// As Registry Editor writes values: hex bytes separated by commas, a long line
// continued with a backslash.
void AppendValue(std::vector<std::u16string>& lines, const RegistryValue& value) {
    std::u16string line = value.name.empty() ? u"@=" : Quoted(value.name) + u"=";
    std::u16string text;
    if (value.type == win32::RegSz && AsOneString(value.data, text)) {
        lines.push_back(line + Quoted(text));
        return;
    }
    if (value.type == RegDword && value.data.size() == 4) {
        line += u"dword:";
        for (std::size_t i = 4; i-- > 0;) AppendHexByte(line, value.data[i]);
        lines.push_back(line);
        return;
    }
    line += value.type == RegBinary ? u"hex:" : u"hex(" + Hex(value.type) + u"):";
    for (std::size_t i = 0; i < value.data.size(); ++i) {
        AppendHexByte(line, value.data[i]);
        if (i + 1 == value.data.size()) break;
        line += u',';
        if (line.size() > 75) {
            lines.push_back(line + u'\\');
            line = u"  ";
        }
    }
    lines.push_back(line);
}

void AppendKey(std::vector<std::u16string>& lines, const std::u16string& path, const KeySnapshot& key) {
    lines.push_back(u"[" + path + u"]");
    for (const RegistryValue& value : key.values) AppendValue(lines, value);
    lines.emplace_back();
    for (const KeySnapshot& subkey : key.subkeys) AppendKey(lines, path + u'\\' + subkey.name, subkey);
}

std::vector<std::u16string> Comments(const LocalTime& t, UndoLanguage language) {
    const std::u16string when = Number(t.year, 4) + u'-' + Number(t.month, 2) + u'-' + Number(t.day, 2) + u' ' +
                                Number(t.hour, 2) + u':' + Number(t.minute, 2) + u':' + Number(t.second, 2);
    const std::u16string key = std::u16string(MachineRoot) + std::u16string(OverlayIdentifiersPath);
    if (language == UndoLanguage::Japanese) {
        return {u"; Tessary が " + when + u" の変更の直前に書いた、変更を元に戻すためのファイルです。",
                u"; 対象のキー: " + key,
                u"; インポートすると、変更で名前を変えたサブキーと削除したサブキーが変更前の状態に戻ります。",
                u"; 変更しなかったサブキーと、変更の後に追加された登録はそのまま残ります。",
                u"; 使い方: このファイルをダブルクリックして「はい」を選び（または reg import でこのファイルを指定し）、",
                u"; サインアウトしてからもう一度サインインしてください。"};
    }
    return {u"; Tessary wrote this file at " + when + u", just before a change, to undo it.",
            u"; Key: " + key,
            u"; Importing it puts every subkey that the change renamed or deleted back as it was.",
            u"; Subkeys the change did not touch, and registrations added since, stay as they are.",
            u"; To use it, double-click this file and choose Yes (or give it to reg import),",
            u"; then sign out and sign in again."};
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

}  // namespace

bool ReadUndoSteps(RegistryApi& registry, const OverlayList& PlannedList, std::vector<UndoStep>& steps) {
    const std::u16string key = std::u16string(OverlayIdentifiersPath) + u'\\';
    for (const OverlayEntry& entry : PlannedList) {
        const WalkAction action = ActionOf(entry);
        if (action == WalkAction::Keep) continue;
        UndoStep step{action == WalkAction::Rename ? entry.keyName : u"", {PresentName(entry), {}, {}}};
        if (!FileCanCarry(step.renamedTo) || !ReadKey(registry, key + step.original.name, step.original)) return false;
        steps.push_back(std::move(step));
    }
    return true;
}

// Why the steps are undone last first, each from a snapshot of the whole
// subkey taken before the walk began: the walk's pre-check lets no step start
// from a name that an earlier step created, so every snapshot shows its subkey as
// it was when that step ran. Undoing the steps in reverse, each block meets the
// key as it was right after its step, the later steps already undone: a rename
// from A to B is undone by removing B, which now holds A's subkey, and writing
// A back whole; a deletion of A by writing A back whole. So when a duplicate is
// deleted and its twin renamed into the freed name, the renamed twin is removed
// before both originals come back. A walk that stopped half-way is undone the
// same way: the block of a step that never ran removes a target that does not
// exist, or one that a step after it in the file writes back whole (the
// duplicate whose deletion failed), and rewrites a subkey with the values it
// still has. Keys that no step touched are not named, so registrations added
// after the change survive the import.
std::u16string UndoFileText(const std::vector<UndoStep>& steps, const LocalTime& written, UndoLanguage language) {
    std::vector<std::u16string> lines = {std::u16string(RegistryFileHeader), u""};
    for (std::u16string& comment : Comments(written, language)) lines.push_back(std::move(comment));
    lines.emplace_back();
    const std::u16string key = std::u16string(MachineRoot) + std::u16string(OverlayIdentifiersPath) + u'\\';
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        if (!step->renamedTo.empty()) {
            lines.push_back(u"[-" + key + step->renamedTo + u"]");
            lines.emplace_back();
        }
        AppendKey(lines, key + step->original.name, step->original);
    }
    std::u16string text;
    for (const std::u16string& line : lines) text += line + u"\r\n";
    return text;
}

std::u16string UndoFileName(const LocalTime& t, int attempt) {
    std::u16string name = u"Tessary-undo-" + Number(t.year, 4) + Number(t.month, 2) + Number(t.day, 2) + u'-' +
                          Number(t.hour, 2) + Number(t.minute, 2) + Number(t.second, 2);
    if (attempt > 1) name += u'-' + Number(attempt, 1);
    return name + u".reg";
}

bool WriteUndoFile(const UndoTarget& target, const std::vector<UndoStep>& steps, std::u16string& path) {
    path.clear();
    if (steps.empty()) return true;
    if (target.folder.empty()) return false;
    const LocalTime now = target.files.Now();
    const std::vector<std::uint8_t> bytes = Utf16WithByteOrderMark(UndoFileText(steps, now, target.language));
    for (int attempt = 1; attempt <= MaxUndoFileAttempts; ++attempt) {
        const std::u16string candidate = target.folder + UndoFileName(now, attempt);
        switch (target.files.CreateNew(candidate, bytes)) {
        case UndoFileApi::Result::Written:
            path = candidate;
            return true;
        case UndoFileApi::Result::Exists:
            continue;
        case UndoFileApi::Result::Failed:
            return false;
        }
    }
    return false;
}

}  // namespace tessary
