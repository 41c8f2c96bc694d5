#include "core/apply.h"

#include <map>
#include <set>

#include "core/catalogue.h"

namespace tessary {
namespace {

// Walks the plan; returns whether every action succeeded. Counts the actions
// that changed the registry.
bool WalkPlan(RegistryApi& registry, RegKey key, const OverlayList& PlannedList, std::size_t& done) {
    for (const OverlayEntry& entry : PlannedList) {
        long status = win32::ErrorSuccess;
        switch (ActionOf(entry)) {
        case WalkAction::Delete:
            status = registry.DeleteKey(key, entry.keyName.c_str());
            break;
        case WalkAction::Keep:
            continue;
        case WalkAction::Rename:
            status = registry.RenameKey(key, entry.bareName.c_str(), entry.keyName.c_str());
            break;
        }
        if (status != win32::ErrorSuccess) return false;
        ++done;
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
    // A subkey is looked for by its exact spelling, which every comparison finds.
    // A target is free when no name has its upper-case form. The upper-case
    // table merges every pair of names that Windows merges and some more, so
    // counting the names of each form can only make the check stricter: a
    // merged pair never frees a target when one of the two is renamed away.
    std::multiset<std::u16string> names;
    std::map<std::u16string, int> forms;
    for (const std::u16string& name : presentNames) {
        // Possible through the native API; every call here would act on the prefix.
        if (name.find(u'\0') != std::u16string::npos) return false;
        names.insert(name);
        ++forms[UpperCased(name)];
    }
    const auto take = [&](const std::u16string& name) {
        const auto found = names.find(name);
        if (found == names.end()) return false;
        names.erase(found);
        --forms[UpperCased(name)];
        return true;
    };
    for (const OverlayEntry& entry : PlannedList) {
        switch (ActionOf(entry)) {
        case WalkAction::Delete:
            if (!take(entry.keyName)) return false;
            break;
        case WalkAction::Keep:
            if (names.count(entry.bareName) == 0) return false;
            break;
        case WalkAction::Rename:
            if (entry.keyName.size() > MaxKeyNameLength || forms[UpperCased(entry.keyName)] != 0 ||
                !take(entry.bareName)) {
                return false;
            }
            names.insert(entry.keyName);
            ++forms[UpperCased(entry.keyName)];
            break;
        }
    }
    return true;
}

void ApplyPlannedList(const OverlayList& PlannedList, const ApplyServices& services, ApplyState& state) {
    if (state.registryChanged) return;
    if (services.messages.ShowMessage(IdsConfirmChange, MbYesNo) != IdYes) return;

    bool succeeded = false;
    std::vector<UndoStep> undo;
    UndoFile undoFile;
    std::size_t done = 0;
    if (KeyAllowsWalk(services.registry, PlannedList) && ReadUndoSteps(services.registry, PlannedList, undo)) {
        const OpenKey key = OpenMachineKey(services.registry, OverlayIdentifiersPath, win32::KeyWrite);
        succeeded = key && WriteUndoFile(services.undo, undo, undoFile) &&
                    WalkPlan(services.registry, key.get(), PlannedList, done);
    }
    state.registryChanged = done > 0;
    if (!succeeded) {
        KeepStepsThatRan(services.undo, undoFile, undo, done);
        services.messages.ShowMessage(IdsChangeFailed, MbOk);
        return;
    }
    if (services.messages.ShowMessage(IdsChangeSucceeded, MbYesNo) == IdYes) {
        if (services.writeSettings) services.writeSettings();
        services.signOut.RequestSignOut();
    }
}

}  // namespace tessary
