#include "core/apply.h"

#include <gtest/gtest.h>

#include "core/candidates.h"
#include "core/catalogue.h"
#include "core/planner.h"
#include "support/builders.h"
#include "support/fake_profile.h"

namespace tessary::testing {
namespace {

constexpr int IdNo = 7;

OverlayEntry Deletion(std::u16string_view name) {
    return {std::u16string(name), StripLeadingBlanks(name), u"{X}", true, true};
}

OverlayEntry Rename(std::u16string_view present, std::u16string_view newName) {
    return {std::u16string(newName), std::u16string(present), u"{X}", present == newName, false};
}

class ApplyTest : public ::testing::Test {
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
    ApplyServices services{registry, messages, signOut, [this] { events.push_back("write settings"); }};
    ApplyState state;
    OverlayList plan;

    void SetUp() override {
        messages.events = &events;
        signOut.events = &events;
    }
};

using Names = std::vector<std::u16string>;
using Shown = std::vector<std::pair<int, unsigned>>;

TEST_F(ApplyTest, NoToTheConfirmationLeavesTheRegistryAlone) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    const auto before = registry.OverlayRegistrations();
    const std::size_t calls = registry.Log().size();
    Apply({IdNo});
    EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}}));
    EXPECT_EQ(registry.OverlayRegistrations(), before);
    EXPECT_EQ(registry.Log().size(), calls) << "not even opened";
    EXPECT_FALSE(state.registryChanged);
}

TEST_F(ApplyTest, WalksThePlanSoThatTheRegistryListsTheAfterOrder) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    const std::size_t calls = registry.Log().size();
    Apply({IdYes, IdNo});

    EXPECT_EQ(registry.OverlayNames(),
              (Names{u"  Tortoise1", u"  Tortoise2", u" CloudSync1", u" CloudSync2", u" CloudSync3", u"Archiver"}));
    EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}, {IdsChangeSucceeded, MbYesNo}}));
    EXPECT_EQ(signOut.requests, 0);
    // Opened for writing once, six actions in the plan's order, closed.
    const std::vector<std::string> walk(registry.Log().begin() + static_cast<std::ptrdiff_t>(calls),
                                        registry.Log().end());
    EXPECT_EQ(walk, (std::vector<std::string>{
                        "Open(SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers, 131078) = 0",
                        "Rename(\"Tortoise1\" -> \"  Tortoise1\") = 0",
                        "Rename(\"Tortoise2\" -> \"  Tortoise2\") = 0",
                        "Rename(\"  CloudSync1\" -> \" CloudSync1\") = 0",
                        "Rename(\"  CloudSync2\" -> \" CloudSync2\") = 0",
                        "Delete(\" Tortoise2\") = 0",
                        "Rename(\" Archiver\" -> \"Archiver\") = 0",
                        "Close = 0"}));
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_TRUE(state.registryChanged);
}

TEST_F(ApplyTest, YesToSignOutWritesTheSettingsFirst) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    Apply({IdYes, IdYes});
    EXPECT_EQ(events, (std::vector<std::string>{"message 203", "message 204", "write settings", "sign out"}));
}

TEST_F(ApplyTest, TheKeyThatCannotBeOpenedForWritingIsReported) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    registry.FailCall(RegOp::Open, registry.Calls(RegOp::Open) + 1, win32::ErrorAccessDenied);
    const auto before = registry.OverlayRegistrations();
    Apply({IdYes});
    EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}, {IdsChangeFailed, MbOk}}));
    EXPECT_EQ(registry.OverlayRegistrations(), before);
    EXPECT_FALSE(state.registryChanged);
}

TEST_F(ApplyTest, TheFirstFailureStopsTheWalkAndKeepsWhatWasDone) {
    Seed(registry, WorkedExample());
    plan = {Deletion(u" Tortoise2"), Rename(u"  CloudSync1", u" CloudSync1"), Rename(u" Archiver", u"Archiver")};
    registry.FailCall(RegOp::Rename, 1, win32::ErrorAccessDenied);
    Apply({IdYes});
    EXPECT_EQ(messages.shown.back(), std::make_pair(IdsChangeFailed, MbOk));
    EXPECT_EQ(registry.Calls(RegOp::Rename), 1) << "the second rename is not attempted";
    const Names names = registry.OverlayNames();
    EXPECT_EQ(std::count(names.begin(), names.end(), u" Tortoise2"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), u" Archiver"), 1);
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_TRUE(state.registryChanged);
}

TEST_F(ApplyTest, APlanThatKeepsEverythingOnlyOpensTheKey) {
    Seed(registry, WorkedExample());
    plan = {Rename(u"Tortoise1", u"Tortoise1")};
    const std::size_t before = registry.Log().size();
    Apply({IdYes, IdNo});
    EXPECT_EQ(registry.Log().size(), before + 2);
    EXPECT_EQ(messages.shown.back(), std::make_pair(IdsChangeSucceeded, MbYesNo));
}

TEST_F(ApplyTest, ASpentPlanIsNotReplayed) {
    // The leftover " Tortoise1" is deleted and "Tortoise1" takes its name; a
    // second walk of the same plan would delete the handler's only registration.
    PlanFromRegistry(u"Tortoise", NoGroupMarker, {Entry(u" Tortoise1", u"{T1}"), Entry(u"Tortoise1", u"{T1}")});
    Apply({IdYes, IdNo});
    EXPECT_EQ(registry.OverlayNames(), Names{u" Tortoise1"});
    const std::size_t shown = messages.shown.size();

    Apply({IdYes, IdNo});
    EXPECT_EQ(registry.OverlayNames(), Names{u" Tortoise1"});
    EXPECT_EQ(messages.shown.size(), shown) << "nothing is asked either";
}

TEST_F(ApplyTest, AWalkThatChangedNothingMayBeTriedAgain) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    registry.FailCall(RegOp::Rename, 1, win32::ErrorAccessDenied);
    Apply({IdYes});
    EXPECT_FALSE(state.registryChanged);
    Apply({IdYes, IdNo});
    EXPECT_TRUE(state.registryChanged);
    EXPECT_EQ(registry.OverlayNames().front(), u"  Tortoise1");
}

}  // namespace
}  // namespace tessary::testing
