#include "ui/main_model.h"

#include "core/catalogue.h"

namespace tessary {

void MainModel::Initialise() {
    ReadSettings(platform.profile, settings, selection);
    ReadOverlayIdentifiers(platform.registry, CurrentList);
    MarkDuplicates(CurrentList);
    CollectGroupCandidates(CurrentList, CandidateList);
    firstPicker = FirstGroupPickerContent(CandidateList, selection.FirstGroup);
    secondPicker = SecondGroupPickerContent(CandidateList, selection.FirstGroup, selection.SecondGroup);
    RunPlanning();
}

void MainModel::SelectFirstGroup(std::u16string name) {
    selection.FirstGroup = std::move(name);
    secondPicker = SecondGroupPickerContent(CandidateList, selection.FirstGroup, selection.SecondGroup);
    RunPlanning();
}

void MainModel::SelectSecondGroup(std::u16string name) {
    selection.SecondGroup = std::move(name);
    RunPlanning();
}

void MainModel::ApplyChanges() {
    const ApplyServices services{platform.registry, platform.messages, platform.signOut,
                                 UndoTarget{platform.files, SettingsFolder(settings), platform.language},
                                 [this] { WriteSettings(platform.profile, settings, selection); }};
    ApplyPlannedList(plan.PlannedList, services, applyState);
}

void MainModel::Close() { WriteSettings(platform.profile, settings, selection); }

void MainModel::RunPlanning() {
    plan = BuildPlannedList(CurrentList, selection.FirstGroup, selection.SecondGroup);
}

}  // namespace tessary
