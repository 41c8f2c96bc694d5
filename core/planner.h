// Plans the new name and the action of every subkey, in the order in which the
// registry will list them afterwards.
#pragma once

#include "core/overlay.h"

namespace tessary {

struct Plan {
    OverlayList PlannedList;
    bool hasChanges = false;  // something is deleted or renamed
};

// A name belongs to a group when it begins with the group name, exactly.
bool IsGroupMember(std::u16string_view bareName, std::u16string_view group);

// The ordering of PlannedList: as the registry enumerates (upper-cased names),
// then deletions before anything else of the same name, so that a rename into
// a deleted duplicate's name follows the deletion, then exact code units.
bool PlannedBefore(const OverlayEntry& a, const OverlayEntry& b);

Plan BuildPlannedList(const OverlayList& CurrentList, std::u16string_view FirstGroup,
                      std::u16string_view SecondGroup);

}  // namespace tessary
