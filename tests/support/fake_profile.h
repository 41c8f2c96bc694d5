// Stand-ins for the profile file, the undo file, the message box and the
// sign-out request.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/apply.h"
#include "core/undo.h"
#include "settings/settings.h"

namespace tessary::tests {

// Profile files in memory, read back as the kernel32 profile functions do:
// blanks and tabs around a value trimmed, one pair of matching quotes stripped,
// the default for a missing file, section or key, values cut to 259 characters.
// Section and key names match ignoring case.
class FakeProfile : public ProfileApi {
public:
    struct File {
        bool unicode = false;  // created with a UTF-16 byte-order mark
        // section -> key -> the text as written
        std::map<std::u16string, std::map<std::u16string, std::u16string>> sections;
    };

    std::optional<std::u16string> directory = u"C:\\Users\\user";
    std::map<std::u16string, File> files;     // by path
    std::vector<std::string>* events = nullptr;  // shared order of events, if set

    // The raw text stored under GROUP for the key, if any.
    std::optional<std::u16string> Stored(std::u16string_view path, std::u16string_view key) const;

    std::optional<std::u16string> CurrentDirectory() override { return directory; }
    std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultValue, std::u16string_view path) override;
    void WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                     std::u16string_view path) override;
    void CreateUnicodeFileIfMissing(std::u16string_view path) override;
};

// Files in memory, at a fixed local time; any call of CreateNew can be made to
// answer Exists or Failed.
class FakeUndoFiles : public UndoFileApi {
public:
    LocalTime now{2026, 12, 9, 14, 8, 24};
    std::map<std::u16string, std::vector<std::uint8_t>> files;  // by path
    std::map<int, Result> faults;                                // by call, from 1
    bool replaceFails = false;
    int creates = 0;
    std::vector<std::pair<std::u16string, std::u16string>> moves;  // by Replace: from, to

    // The text of the only file, or "" when there is none.
    std::u16string OnlyText() const;

    LocalTime Now() override { return now; }
    Result CreateNew(std::u16string_view path, const std::vector<std::uint8_t>& bytes) override;
    void Remove(std::u16string_view path) override { files.erase(std::u16string(path)); }
    bool Replace(std::u16string_view from, std::u16string_view to) override;
};

// Answers message boxes from a script (No once it runs out) and records them.
class ScriptedMessages : public MessageBoxApi {
public:
    std::deque<int> answers;
    std::vector<std::pair<int, unsigned>> shown;  // text id and type
    std::vector<std::string>* events = nullptr;

    int ShowMessage(int textId, unsigned type) override;
};

class RecordingSignOut : public SignOutApi {
public:
    int requests = 0;
    std::vector<std::string>* events = nullptr;

    void RequestSignOut() override;
};

}  // namespace tessary::tests
