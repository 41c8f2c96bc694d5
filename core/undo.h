// The undo file. Before the walk changes anything, every subkey that it will
// rename or delete is read whole, and a registry file that Registry Editor and
// reg import read is written beside Tessary.ini; importing it puts those
// subkeys back as they were. A walk that stops leaves a file for the steps
// that ran only.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/overlay.h"
#include "core/registry.h"
#include "core/registry_text.h"

namespace tessary {

// One rename or deletion of the walk, with the subkey as it was before.
struct UndoStep {
    std::u16string renamedTo;  // empty for a deletion
    KeySnapshot original;      // named by the subkey's present name
};

// Reads the subkey of the overlay key that each rename and deletion of the plan
// starts from, in walk order, each key opened with the access that its step
// needs. False when any key or value below them cannot be opened so or read,
// or cannot come back from a registry file as it is: a name with U+0000 or a
// line break, a key name with "]", string data of an odd byte count.
bool ReadUndoSteps(RegistryApi& registry, const OverlayList& PlannedList, std::vector<UndoStep>& steps);

// The first value that the registry lists for the overlay subkey, read whole.
// False when it has none or it cannot be read.
bool ReadFirstValue(RegistryApi& registry, std::u16string_view name, RegistryValue& value);

enum class UndoLanguage { Japanese, English };

struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The file's text, lines ended by CRLF: the header, a few comment lines in the
// language, then one block for each step, the walk's last step first.
std::u16string UndoFileText(std::span<const UndoStep> steps, const LocalTime& written, UndoLanguage language);

// "Tessary-undo-YYYYMMDD-HHMMSS.reg"; from the second attempt on "-2", "-3", ...
// before the extension.
std::u16string UndoFileName(const LocalTime& written, int attempt);

// The file seam: the local time, and files that are only ever created new.
class UndoFileApi {
public:
    enum class Result { Written, Exists, Failed };

    virtual ~UndoFileApi() = default;
    virtual LocalTime Now() = 0;
    // Creates the file only where no file or link of that name exists, writes
    // every byte and flushes it. A file that cannot be written whole is removed.
    virtual Result CreateNew(std::u16string_view path, const std::vector<std::uint8_t>& bytes) = 0;
    virtual void Remove(std::u16string_view path) = 0;
    // Puts the file at from in the place of the file at to, in one step that
    // survives a crash (MoveFileExW with MOVEFILE_REPLACE_EXISTING and
    // MOVEFILE_WRITE_THROUGH).
    virtual bool Replace(std::u16string_view from, std::u16string_view to) = 0;
};

struct UndoTarget {
    UndoFileApi& files;
    std::u16string folder;  // ends with a backslash; empty when unknown
    UndoLanguage language;
};

struct UndoFile {
    std::u16string path;  // empty when none was written
    LocalTime written;
};

// Writes the undo file of the steps, UTF-16LE with a byte-order mark, under the
// first free name. Leaves the path empty when there is nothing to undo; false
// when it cannot be written.
bool WriteUndoFile(const UndoTarget& target, std::span<const UndoStep> steps, UndoFile& file);

// After a walk that stopped with only the first `done` steps run: the file is
// removed when none ran, and otherwise replaced by one that undoes those steps
// only, so that importing it cannot delete or overwrite what the walk never
// touched. When the replacement cannot be written, the whole file stays.
void CutUndoFileToStepsThatRan(const UndoTarget& target, const UndoFile& file, std::span<const UndoStep> steps,
                      std::size_t done);

}  // namespace tessary
