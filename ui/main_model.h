// The main dialog's state and steps, without any window: the dialog procedure
// forwards each message here and applies what it is given to the controls.
#pragma once

#include "core/apply.h"
#include "core/candidates.h"
#include "core/planner.h"
#include "core/registry.h"
#include "settings/settings.h"
#include "ui/views.h"

namespace tessary {

struct Platform {
    RegistryApi& registry;
    ProfileApi& profile;
    MessageBoxApi& messages;
    SignOutApi& signOut;
    UndoFileApi& files;
    UndoLanguage language = UndoLanguage::English;  // of the undo file's comments
};

class MainModel {
public:
    explicit MainModel(const Platform& seams) : platform(seams) {}

    // Settings, registry scan, duplicates and candidates, picker corrections and
    // the first plan, in that order. Runs once.
    void Initialise();

    // A selection in the first picker: the second picker is recomputed (it may
    // give up SecondGroup), then the plan.
    void SelectFirstGroup(std::u16string name);
    void SelectSecondGroup(std::u16string name);

    // The Change command.
    void ApplyChanges();

    // The dialog is going away.
    void Close();

    const PickerContent& FirstGroupPicker() const { return firstPicker; }
    const PickerContent& SecondGroupPicker() const { return secondPicker; }
    std::vector<OverlayRow> NowViewRows(const TextLookup& text) const { return NowRows(CurrentList, text); }
    std::vector<OverlayRow> AfterViewRows(const TextLookup& text) const {
        return AfterRows(plan.PlannedList, text);
    }
    // Follows hasChanges until a walk has changed the registry; then off for good.
    bool ChangeEnabled() const { return plan.hasChanges && !applyState.registryChanged; }

    const GroupSelection& Selection() const { return selection; }

private:
    void RunPlanning();

    Platform platform;
    OverlayList CurrentList;
    NameList CandidateList;
    Plan plan;
    GroupSelection selection;
    SettingsState settings;
    ApplyState applyState;
    PickerContent firstPicker;
    PickerContent secondPicker;
};

}  // namespace tessary
