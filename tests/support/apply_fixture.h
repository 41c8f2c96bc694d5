// The walk on the in-memory registry, with scripted answers and files in
// memory; shared by the tests of the walk and of its undo file.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "core/apply.h"
#include "core/candidates.h"
#include "core/catalogue.h"
#include "core/planner.h"
#include "support/builders.h"
#include "support/fake_profile.h"
#include "support/fake_registry.h"

namespace tessary::tests {

inline constexpr std::u16string_view Folder = u"C:\\Users\\user\\";

class ApplyTest : public testing::Test {
protected:
    // Reads the registry as the program does at start and plans it.
    void PlanFromRegistry(std::u16string_view first, std::u16string_view second,
                          const OverlayList& seed = WorkedExample()) {
        Seed(registry, seed);
        OverlayList current;
        ReadOverlayIdentifiers(registry, current);
        MarkDuplicates(current);
        plan = BuildPlannedList(current, first, second).PlannedList;
    }

    void Apply(std::initializer_list<int> answers) {
        messages.answers.assign(answers);
        ApplyPlannedList(plan, services, state);
    }

    std::vector<std::string> events;
    FakeRegistry registry;
    ScriptedMessages messages;
    RecordingSignOut signOut;
    FakeUndoFiles files;
    ApplyServices services{registry, messages, signOut, {files, std::u16string(Folder), UndoLanguage::English},
                           [this] { events.push_back("write settings"); }};
    ApplyState state;
    OverlayList plan;

    void SetUp() override {
        messages.events = &events;
        signOut.events = &events;
    }
};

}  // namespace tessary::tests
