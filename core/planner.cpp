#include "core/planner.h"

#include <algorithm>

namespace tessary {
namespace {

constexpr std::u16string_view TwoBlanks = u"  ";
constexpr std::u16string_view OneBlank = u" ";

std::u16string_view PrefixFor(std::u16string_view bareName, std::u16string_view FirstGroup,
                              std::u16string_view SecondGroup) {
    const bool hasSecondGroup = SecondGroup != NoGroupMarker;
    if (IsGroupMember(bareName, FirstGroup)) return hasSecondGroup ? TwoBlanks : OneBlank;
    if (hasSecondGroup && IsGroupMember(bareName, SecondGroup)) return OneBlank;
    return {};
}

}  // namespace

bool IsGroupMember(std::u16string_view bareName, std::u16string_view group) {
    return bareName.substr(0, group.size()) == group;
}

bool PlannedBefore(const OverlayEntry& a, const OverlayEntry& b) {
    const int order = CompareIgnoringCase(a.keyName, b.keyName);
    if (order != 0) return order < 0;
    if (a.deleteKey != b.deleteKey) return a.deleteKey;
    return a.keyName < b.keyName;
}

Plan BuildPlannedList(const OverlayList& CurrentList, std::u16string_view FirstGroup,
                      std::u16string_view SecondGroup) {
    Plan plan;
    plan.PlannedList.reserve(CurrentList.size());
    for (const OverlayEntry& current : CurrentList) {
        OverlayEntry planned = current;
        planned.deleteKey = false;
        if (current.noRename) {
            // A duplicate keeps its stored name, which is the one deleted.
            planned.deleteKey = true;
            plan.hasChanges = true;
        } else {
            planned.bareName = current.keyName;
            planned.keyName = PrefixFor(current.bareName, FirstGroup, SecondGroup);
            planned.keyName += current.bareName;
            // No registry takes an empty name: a name of blanks alone, in no
            // group, stays as it is.
            if (planned.keyName.empty()) planned.keyName = current.keyName;
            planned.noRename = planned.keyName == planned.bareName;
            if (!planned.noRename) plan.hasChanges = true;
        }
        plan.PlannedList.push_back(std::move(planned));
    }
    std::stable_sort(plan.PlannedList.begin(), plan.PlannedList.end(), PlannedBefore);
    return plan;
}

}  // namespace tessary
