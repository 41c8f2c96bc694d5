#include "core/apply.h"

#include <set>

#include "core/catalogue.h"

namespace tessary {
namespace {

// Walks the plan; returns whether every action succeeded. Counts the actions
// that changed the registry.
bool WalkPlan(RegistryApi& registry, RegKey key, const OverlayList& PlannedList, ApplyState& state) {
    for (const OverlayEntry& entry : PlannedList) {
        long status = win32::ErrorSuccess;
        if (entry.deleteKey) {
            status = registry.DeleteKey(key, entry.keyName.c_str());
        } else if (entry.noRename) {
            continue;
        } else {
            status = registry.RenameKey(key, entry.bareName.c_str(), entry.keyName.c_str());
        }
        if (status != win32::ErrorSuccess) return false;
        state.registryChanged = true;
    }
    return true;
}

// The plan fits the key as it is now: nothing was renamed, deleted or added
// under it since the scan in a way that would stop the walk half-way.
bool KeyAllowsWalk(RegistryApi& registry, const OverlayList& PlannedList) {
    std::vector<std::u16string> present;
    return ReadSubkeyNames(registry, present) && WalkIsPossible(PlannedList, present);
}

}  // namespace

bool WalkIsPossible(const OverlayList& PlannedList, const std::vector<std::u16string>& presentNames) {
    std::set<std::u16string> names;
    for (const std::u16string& name : presentNames) names.insert(UpperCased(name));
    for (const OverlayEntry& entry : PlannedList) {
        if (entry.deleteKey) {
            if (names.erase(UpperCased(entry.keyName)) == 0) return false;
        } else if (entry.noRename) {
            if (names.count(UpperCased(entry.bareName)) == 0) return false;
        } else {
            const std::u16string from = UpperCased(entry.bareName);
            std::u16string to = UpperCased(entry.keyName);
            if (entry.keyName.size() > MaxKeyNameLength || names.count(from) == 0 || names.count(to) != 0) {
                return false;
            }
            names.erase(from);
            names.insert(std::move(to));
        }
    }
    return true;
}

void ApplyPlannedList(const OverlayList& PlannedList, const ApplyServices& services, ApplyState& state) {
    if (state.registryChanged) return;
    if (services.messages.ShowMessage(IdsConfirmChange, MbYesNo) != IdYes) return;

    bool succeeded = false;
    if (KeyAllowsWalk(services.registry, PlannedList)) {
        const OpenKey key = OpenMachineKey(services.registry, OverlayIdentifiersPath, win32::KeyWrite);
        succeeded = key && WalkPlan(services.registry, key.get(), PlannedList, state);
    }
    if (!succeeded) {
        services.messages.ShowMessage(IdsChangeFailed, MbOk);
        return;
    }
    if (services.messages.ShowMessage(IdsChangeSucceeded, MbYesNo) == IdYes) {
        if (services.writeSettings) services.writeSettings();
        services.signOut.RequestSignOut();
    }
}

}  // namespace tessary
