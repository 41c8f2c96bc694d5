#include "core/apply.h"

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

}  // namespace

void ApplyPlannedList(const OverlayList& PlannedList, const ApplyServices& services, ApplyState& state) {
    if (state.registryChanged) return;
    if (services.messages.ShowMessage(IdsConfirmChange, MbYesNo) != IdYes) return;

    bool succeeded = false;
    {
        RegKey raw = nullptr;
        if (services.registry.OpenLocalMachineKey(std::u16string(OverlayIdentifiersPath).c_str(),
                                                  win32::KeyWrite, &raw) == win32::ErrorSuccess) {
            const OpenKey key(raw, KeyCloser(services.registry));
            succeeded = WalkPlan(services.registry, key.get(), PlannedList, state);
        }
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
