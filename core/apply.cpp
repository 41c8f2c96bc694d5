#include "core/apply.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "core/catalogue.h"

namespace tessary {
namespace {

// Walks the plan; returns whether every action succeeded. Counts the actions
// that changed the registry.
bool WalkPlan(RegistryApi& registry, RegKey key, const OverlayList& PlannedList, std::size_t& done) {
    for (const OverlayEntry& entry : PlannedList) {
        long status = sdk::ErrorSuccess;
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
        if (status != sdk::ErrorSuccess) return false;
        ++done;
    }
    return true;
}

// The handler text that the subkey holds now: taken from its snapshot where a
// step reads it whole, else read here.
std::optional<std::u16string> HandlerNow(RegistryApi& registry, const OverlayEntry& entry, const KeySnapshot* snapshot) {
    RegistryValue first;
    if (snapshot != nullptr) {
        if (snapshot->values.empty()) return std::nullopt;
        first = snapshot->values.front();
    } else if (!ReadFirstValue(registry, PresentName(entry), first)) {
        return std::nullopt;
    }
    std::u16string clsid;
    if (!HandlerClsidOf(first.type, first.data, clsid)) return std::nullopt;
    return clsid;
}

// What the deletions rely on, in the key as it is now. Each duplicate still
// holds the handler that the scan read for it and has no subkeys, which
// RegDeleteKeyW would refuse; the twin that the plan keeps for it still holds
// that handler too. So no deletion takes a handler's last registration, also
// when another program has registered a subkey anew since the scan.
bool DeletionsKeepEveryHandler(RegistryApi& registry, const OverlayList& PlannedList, std::span<const UndoStep> steps) {
    constexpr std::size_t None = static_cast<std::size_t>(-1);
    // The entry that the plan keeps for each deleted blank-free name and handler.
    std::map<std::pair<std::u16string_view, std::u16string_view>, std::size_t> twins;
    for (const OverlayEntry& entry : PlannedList) {
        if (ActionOf(entry) == WalkAction::Delete) twins.try_emplace({entry.bareName, entry.handlerClsid}, None);
    }
    // Each entry's snapshot, where a step reads it: the steps follow the plan.
    std::vector<const KeySnapshot*> snapshots(PlannedList.size(), nullptr);
    for (std::size_t i = 0, step = 0; i < PlannedList.size(); ++i) {
        const OverlayEntry& entry = PlannedList[i];
        if (ActionOf(entry) != WalkAction::Keep && step < steps.size()) snapshots[i] = &steps[step++].original;
        if (ActionOf(entry) == WalkAction::Delete) continue;
        const std::u16string_view present = entry.bareName;
        const auto twin = twins.find({present.substr(LeadingBlankCount(present)), entry.handlerClsid});
        if (twin != twins.end()) twin->second = i;
    }
    for (const auto& [deleted, twin] : twins) {
        if (twin == None || HandlerNow(registry, PlannedList[twin], snapshots[twin]) != deleted.second) return false;
    }
    for (std::size_t i = 0; i < PlannedList.size(); ++i) {
        const OverlayEntry& entry = PlannedList[i];
        if (ActionOf(entry) != WalkAction::Delete) continue;
        if (snapshots[i] == nullptr || !snapshots[i]->subkeys.empty() ||
            HandlerNow(registry, entry, snapshots[i]) != entry.handlerClsid) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool KeyAllowsWalk(RegistryApi& registry, const OverlayList& PlannedList, std::vector<UndoStep>& steps) {
    std::vector<std::u16string> present;
    return ReadSubkeyNames(registry, present) && WalkIsPossible(PlannedList, present) &&
           ReadUndoSteps(registry, PlannedList, steps) && DeletionsKeepEveryHandler(registry, PlannedList, steps);
}

bool WalkIsPossible(const OverlayList& PlannedList, const std::vector<std::u16string>& presentNames) {
    // A subkey is looked for by its exact spelling, which every comparison finds.
    // A target is free when no name has its upper-case form. The upper-case
    // table merges every pair of names that Windows merges and some more, so
    // counting the names of each form can only make the check stricter: a
    // merged pair never frees a target when one of the two is renamed away.
    // The names are views of the strings given, which outlive the check.
    std::unordered_map<std::u16string_view, int> names;  // how many subkeys have each exact name
    std::unordered_map<std::u16string, int> forms;       // and each upper-case form
    for (const std::u16string& name : presentNames) {
        // Possible through the native API; every call here would act on the prefix.
        if (name.find(u'\0') != std::u16string::npos) return false;
        ++names[name];
        ++forms[UpperCased(name)];
    }
    const auto take = [&](const std::u16string& name) {
        const auto found = names.find(name);
        if (found == names.end() || found->second == 0) return false;
        --found->second;
        --forms[UpperCased(name)];
        return true;
    };
    for (const OverlayEntry& entry : PlannedList) {
        switch (ActionOf(entry)) {
        case WalkAction::Delete:
            if (!take(entry.keyName)) return false;
            break;
        case WalkAction::Keep: {
            const auto found = names.find(entry.bareName);
            if (found == names.end() || found->second == 0) return false;
            break;
        }
        case WalkAction::Rename: {
            if (entry.keyName.size() > MaxKeyNameLength) return false;
            std::u16string form = UpperCased(entry.keyName);
            const auto taken = forms.find(form);
            if ((taken != forms.end() && taken->second != 0) || !take(entry.bareName)) return false;
            ++names[entry.keyName];
            ++forms[std::move(form)];
            break;
        }
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
    if (KeyAllowsWalk(services.registry, PlannedList, undo)) {
        const OpenKey key = OpenMachineKey(services.registry, OverlayIdentifiersPath, sdk::KeyWrite);
        succeeded = key && WriteUndoFile(services.undo, undo, undoFile) &&
                    WalkPlan(services.registry, key.get(), PlannedList, done);
    }
    state.registryChanged = done > 0;
    if (!succeeded) {
        CutUndoFileToStepsThatRan(services.undo, undoFile, undo, done);
        services.messages.ShowMessage(IdsChangeFailed, MbOk);
        return;
    }
    if (services.messages.ShowMessage(IdsChangeSucceeded, MbYesNo) == IdYes) {
        if (services.writeSettings) services.writeSettings();
        services.signOut.RequestSignOut();
    }
}

}  // namespace tessary
