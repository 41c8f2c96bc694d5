// Tessary.ini in the current directory at start: section GROUP, NAME1 holds
// FirstGroup and NAME2 SecondGroup.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/overlay.h"

namespace tessary {

inline constexpr std::u16string_view SettingsFileSuffix = u"\\Tessary.ini";
inline constexpr std::u16string_view SettingsSection = u"GROUP";
inline constexpr std::array<std::u16string_view, 2> SettingsKeys = {u"NAME1", u"NAME2"};
inline constexpr std::array<std::u16string_view, 2> SettingsDefaults = {u"Tortoise", u"-"};

// The profile file seam. The production implementation calls the kernel32
// profile functions, which trim blanks around a value and strip one pair of
// matching quotes, and cut a value to 259 characters.
class ProfileApi {
public:
    virtual ~ProfileApi() = default;

    // GetCurrentDirectoryW, of any length; nothing when it cannot be read.
    virtual std::optional<std::u16string> CurrentDirectory() = 0;

    // GetPrivateProfileStringW with a buffer of 260 characters.
    virtual std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                                      std::u16string_view defaultValue, std::u16string_view path) = 0;

    // WritePrivateProfileStringW; a failure is not reported.
    virtual void WriteString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view value, std::u16string_view path) = 0;

    // Creates the file empty, as UTF-16LE text with a byte-order mark, unless it
    // exists. The profile functions then keep it in UTF-16, so names outside the
    // system code page survive.
    virtual void CreateUnicodeFileIfMissing(std::u16string_view path) = 0;
};

struct SettingsState {
    std::u16string SettingsPath;    // empty when the current directory could not be read
    GroupSelection SavedSelection;  // the names as read at start
};

// The folder of SettingsPath, with its closing backslash; empty when unknown.
std::u16string SettingsFolder(const SettingsState& settings);

// Sets SettingsPath, the group names and SavedSelection, from the file or the
// defaults.
void ReadSettings(ProfileApi& profile, SettingsState& settings, GroupSelection& selection);

// Writes each group name that differs from the one read at start.
void WriteSettings(ProfileApi& profile, const SettingsState& settings, const GroupSelection& selection);

// The text stored for a name: quoted where the profile functions would
// otherwise trim or unquote it on reading, unchanged everywhere else.
std::u16string ProfileValueFor(std::u16string_view name);

}  // namespace tessary
