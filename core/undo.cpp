#include "core/undo.h"

#include <algorithm>
#include <array>

#include "core/catalogue.h"

namespace tessary {
namespace {

// Value names have at most 16,383 characters; data has no fixed limit.
constexpr std::uint32_t ValueNameLimit = 16384;
constexpr std::size_t FirstDataCapacity = 1024;
// The byte count the registry takes is 32 bits.
constexpr std::size_t DataCapacityLimit = 0x80000000u;

// Names are already taken when another program planted files under them; after
// this many, something is wrong with the folder.
constexpr int MaxUndoFileAttempts = 100;

// Kept from one key to the next, as a name buffer of the largest size costs
// more to clear than a small key takes to read.
struct ValueBuffers {
    std::vector<char16_t> name = std::vector<char16_t>(ValueNameLimit);
    std::vector<std::uint8_t> data = std::vector<std::uint8_t>(FirstDataCapacity);
};

// The key's values in the registry's order, at most limit of them, each read
// into a data buffer that grows until it fits.
bool ReadValues(RegistryApi& registry, RegKey key, ValueBuffers& buffers, std::vector<RegistryValue>& values,
                std::size_t limit = DataCapacityLimit) {
    std::vector<char16_t>& name = buffers.name;
    std::vector<std::uint8_t>& data = buffers.data;
    for (std::uint32_t index = 0; values.size() < limit;) {
        std::uint32_t nameLength = ValueNameLimit;
        auto dataLength = static_cast<std::uint32_t>(data.size());
        std::uint32_t type = 0;
        const long status = registry.EnumValue(key, index, name.data(), &nameLength, &type, data.data(), &dataLength);
        if (status == sdk::ErrorNoMoreItems) return true;
        if (status == sdk::ErrorMoreData) {
            // The value may grow between two calls: at least double each time.
            if (data.size() >= DataCapacityLimit) return false;
            data.resize(std::min(DataCapacityLimit, std::max<std::size_t>(dataLength, 2 * data.size())));
            continue;
        }
        if (status != sdk::ErrorSuccess) return false;
        RegistryValue value{std::u16string(name.data(), std::min(nameLength, ValueNameLimit - 1)), type, {}};
        value.data.assign(data.begin(), data.begin() + std::min<std::size_t>(dataLength, data.size()));
        values.push_back(std::move(value));
        ++index;
    }
    return true;
}

// The key at the path below HKEY_LOCAL_MACHINE, whole, opened with the access
// given; every key below it is opened with KEY_READ and DELETE.
bool ReadKey(RegistryApi& registry, const std::u16string& path, std::uint32_t access, ValueBuffers& buffers,
             KeySnapshot& snapshot) {
    if (!KeyLineCanCarry(snapshot.name)) return false;
    const OpenKey key = OpenMachineKey(registry, path, access);
    std::vector<std::u16string> names;
    if (!key || !ReadValues(registry, key.get(), buffers, snapshot.values) ||
        !std::all_of(snapshot.values.begin(), snapshot.values.end(), ValueCanCarry) ||
        !ReadSubkeyNames(registry, key.get(), names)) {
        return false;
    }
    for (std::u16string& name : names) {
        KeySnapshot subkey{std::move(name), {}, {}};
        if (!ReadKey(registry, path + u'\\' + subkey.name, sdk::KeyRead | sdk::Delete, buffers, subkey)) return false;
        snapshot.subkeys.push_back(std::move(subkey));
    }
    return true;
}

// The decimal digits of a value that is not negative, zeros in front up to the width.
std::u16string ZeroPadded(int value, std::size_t width) {
    std::u16string digits;
    for (; value > 0 || digits.size() < width; value /= 10) digits.insert(digits.begin(), static_cast<char16_t>(u'0' + value % 10));
    return digits;
}

void AppendComments(std::u16string& out, const LocalTime& t, UndoLanguage language) {
    const std::u16string when = ZeroPadded(t.year, 4) + u'-' + ZeroPadded(t.month, 2) + u'-' + ZeroPadded(t.day, 2) + u' ' +
                                ZeroPadded(t.hour, 2) + u':' + ZeroPadded(t.minute, 2) + u':' + ZeroPadded(t.second, 2);
    const std::u16string key = std::u16string(MachineRoot) + std::u16string(OverlayIdentifiersPath);
    const std::array<std::u16string, 6> japanese = {
        u"; Tessary が " + when + u" の変更を元に戻すために書いたファイルです。",
        u"; 対象のキー: " + key,
        u"; インポートすると、[-...] の行に書かれたサブキーを、その時点で含まれる値やサブキーごと削除し、",
        u"; [...] の行に書かれたサブキーを、変更前の値とその下のサブキーとともに書き戻します。",
        u"; このファイルに書かれていないサブキー（その後ほかの名前で追加された登録など）はそのまま残ります。",
        u"; 使い方: このファイルをダブルクリックして「はい」を選び（または reg import で指定し）、サインアウトしてからもう一度サインインしてください。"};
    const std::array<std::u16string, 6> english = {
        u"; Tessary wrote this file to undo its change of " + when + u".",
        u"; Key: " + key,
        u"; Importing it deletes each subkey named in a [-...] line, with whatever it holds by then,",
        u"; and writes each subkey named in a [...] line back with the values and subkeys it had before the change.",
        u"; Subkeys that this file does not name, such as registrations added since under other names, stay as they are.",
        u"; To use it, double-click this file and choose Yes (or give it to reg import), then sign out and sign in again."};
    for (const std::u16string& line : language == UndoLanguage::Japanese ? japanese : english) {
        out += line;
        out += LineEnd;
    }
}

}  // namespace

bool ReadUndoSteps(RegistryApi& registry, const OverlayList& PlannedList, std::vector<UndoStep>& steps) {
    const std::u16string key = std::u16string(OverlayIdentifiersPath) + u'\\';
    ValueBuffers buffers;
    for (const OverlayEntry& entry : PlannedList) {
        const WalkAction action = ActionOf(entry);
        if (action == WalkAction::Keep) continue;
        UndoStep step{action == WalkAction::Rename ? entry.keyName : u"", {PresentName(entry), {}, {}}};
        // RegRenameKey needs KEY_WRITE on the subkey and DELETE on it and every
        // key below it; RegDeleteKeyW needs DELETE.
        const std::uint32_t access = sdk::KeyRead | sdk::Delete | (step.renamedTo.empty() ? 0 : sdk::KeyWrite);
        if (!KeyLineCanCarry(step.renamedTo) || !ReadKey(registry, key + step.original.name, access, buffers, step.original)) {
            return false;
        }
        steps.push_back(std::move(step));
    }
    return true;
}

bool ReadFirstValue(RegistryApi& registry, std::u16string_view name, RegistryValue& value) {
    const OpenKey key = OpenMachineKey(registry, std::u16string(OverlayIdentifiersPath) + u'\\' + std::u16string(name),
                                       sdk::KeyQueryValue);
    ValueBuffers buffers;
    std::vector<RegistryValue> values;
    if (!key || !ReadValues(registry, key.get(), buffers, values, 1) || values.empty()) return false;
    value = std::move(values.front());
    return true;
}

// Why the steps are undone last first, each from a snapshot of the whole
// subkey taken before the walk began: every snapshot shows its subkey as it
// was when its step ran. The steps of a plan start from different subkeys of
// the scan, so no earlier step moves or deletes a later step's subkey. The
// pre-check (WalkIsPossible) follows the names step by step, so it would let a
// step start from a name that an earlier rename creates, as after another
// program renamed subkeys since the scan; but no subkey has that name when
// the snapshots are read (ReadUndoSteps), so such a change is refused.
// Undoing the steps in reverse, each block meets the key as it was right after
// its step, the later steps already undone: a rename from A to B is undone by
// removing B, which now holds A's subkey, and writing A back whole; a deletion
// of A by writing A back whole. So when a duplicate is deleted and its twin
// renamed into the freed name, the renamed twin is removed before both
// originals come back. A walk that stopped half-way leaves a file of the steps
// that ran only (CutUndoFileToStepsThatRan), undone the same way. Keys that no step
// named are not named in the file, so registrations added or changed after the
// change survive the import.
std::u16string UndoFileText(std::span<const UndoStep> steps, const LocalTime& written, UndoLanguage language) {
    std::u16string key = std::u16string(MachineRoot) + std::u16string(OverlayIdentifiersPath) + u'\\';
    std::size_t room = 1024;
    for (const UndoStep& step : steps) room += key.size() + step.renamedTo.size() + 8 + RoomFor(step.original, key.size());
    std::u16string out;
    out.reserve(room);
    out += RegistryFileHeader;
    out += LineEnd;
    out += LineEnd;
    AppendComments(out, written, language);
    out += LineEnd;
    for (auto step = steps.rbegin(); step != steps.rend(); ++step) {
        const std::size_t length = key.size();
        if (!step->renamedTo.empty()) {
            out += u"[-";
            out += key;
            out += step->renamedTo;
            out += u']';
            out += LineEnd;
            out += LineEnd;
        }
        key += step->original.name;
        AppendKey(out, key, step->original);
        key.resize(length);
    }
    return out;
}

std::u16string UndoFileName(const LocalTime& t, int attempt) {
    std::u16string name = u"Tessary-undo-" + ZeroPadded(t.year, 4) + ZeroPadded(t.month, 2) + ZeroPadded(t.day, 2) + u'-' +
                          ZeroPadded(t.hour, 2) + ZeroPadded(t.minute, 2) + ZeroPadded(t.second, 2);
    if (attempt > 1) name += u'-' + ZeroPadded(attempt, 1);
    return name + u".reg";
}

bool WriteUndoFile(const UndoTarget& target, std::span<const UndoStep> steps, UndoFile& file) {
    file.path.clear();
    if (steps.empty()) return true;
    if (target.folder.empty()) return false;
    file.written = target.files.Now();
    const std::vector<std::uint8_t> bytes = Utf16WithByteOrderMark(UndoFileText(steps, file.written, target.language));
    for (int attempt = 1; attempt <= MaxUndoFileAttempts; ++attempt) {
        const std::u16string candidate = target.folder + UndoFileName(file.written, attempt);
        switch (target.files.CreateNew(candidate, bytes)) {
        case UndoFileApi::Result::Written:
            file.path = candidate;
            return true;
        case UndoFileApi::Result::Exists:
            continue;
        case UndoFileApi::Result::Failed:
            return false;
        }
    }
    return false;
}

void CutUndoFileToStepsThatRan(const UndoTarget& target, const UndoFile& file, std::span<const UndoStep> steps,
                      std::size_t done) {
    if (file.path.empty() || done >= steps.size()) return;
    if (done == 0) {
        target.files.Remove(file.path);
        return;
    }
    // Written aside and moved over the whole file, so that some undo file is
    // there whenever the process ends. The name aside is no longer than the
    // file's, so it fits wherever the file did.
    const std::u16string aside = file.path.substr(0, file.path.rfind(u'.')) + u".tmp";
    const UndoFileApi::Result written = target.files.CreateNew(
        aside, Utf16WithByteOrderMark(UndoFileText(steps.first(done), file.written, target.language)));
    // A file that was already there is not this run's to remove.
    if (written == UndoFileApi::Result::Written && !target.files.Replace(aside, file.path)) target.files.Remove(aside);
}

}  // namespace tessary
