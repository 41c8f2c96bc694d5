// The record and list that every part of the ordering core shares, and the
// text helpers they compare names with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tessary {

// Under HKEY_LOCAL_MACHINE.
inline constexpr std::u16string_view OverlayIdentifiersPath =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";

// Only U+0020 moves a handler forward; tabs and other spaces are ordinary characters.
inline constexpr char16_t Blank = u' ';

// One overlay identifier subkey. In CurrentList the fields hold the registry as
// read; in PlannedList keyName is the new name and bareName the present one.
struct OverlayEntry {
    std::u16string keyName;
    std::u16string bareName;
    std::u16string handlerClsid;
    bool noRename = false;
    bool deleteKey = false;

    friend bool operator==(const OverlayEntry&, const OverlayEntry&) = default;
};

using OverlayList = std::vector<OverlayEntry>;

// What the walk does with a PlannedList entry. deleteKey is tested first: an
// entry to be deleted has noRename set too.
enum class WalkAction { Delete, Keep, Rename };
WalkAction ActionOf(const OverlayEntry& planned);

// The name a PlannedList entry's subkey has before the walk.
const std::u16string& PresentName(const OverlayEntry& planned);

// The name without its leading U+0020 blanks.
std::u16string StripLeadingBlanks(std::u16string_view name);

// How many U+0020 blanks the name begins with.
std::size_t LeadingBlankCount(std::u16string_view name);

// The registry orders subkey names by their upper-case form: every letter of
// the BMP with a simple one-to-one upper case maps to it (the Unicode Character
// Database's table, generated into core/upper_case_table.h); everything else,
// the dotless i and the long s among it, is left as it is.
char16_t UpperCaseUnit(char16_t unit);
std::u16string UpperCased(std::u16string_view name);

// Orders two names as the registry enumerates them: by their upper-case form.
// Returns <0, 0 or >0.
int CompareIgnoringCase(std::u16string_view a, std::u16string_view b);

// As SecondGroup: there is no second group.
inline constexpr std::u16string_view NoGroupMarker = u"-";

// The two group names in use.
struct GroupSelection {
    std::u16string FirstGroup;
    std::u16string SecondGroup;

    friend bool operator==(const GroupSelection&, const GroupSelection&) = default;
};

}  // namespace tessary
