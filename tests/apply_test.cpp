#include "core/apply.h"

#include <gtest/gtest.h>

#include <functional>

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
    // First the names as they are now: opened for reading, enumerated to the end, closed.
    const auto start = registry.Log().begin() + static_cast<std::ptrdiff_t>(calls);
    const std::vector<std::string> check(start, start + 10);
    EXPECT_EQ(check.front(), "Open(SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers, 131097) = 0");
    EXPECT_EQ(check[8], "EnumKey(7) = 259");
    EXPECT_EQ(check.back(), "Close = 0");
    // Then opened for writing once, six actions in the plan's order, closed.
    const std::vector<std::string> walk(start + 10, registry.Log().end());
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

// What the names of the key as it is now show to fail, fails before anything is
// changed: the Change button stays on, and another choice of groups may be tried.
TEST_F(ApplyTest, AWalkThatWouldFailOnNamesChangesNothing) {
    const auto drop = [](FakeRegistry& r, const char16_t* name) {
        RegKey key = nullptr;
        r.OpenLocalMachineKey(std::u16string(OverlayIdentifiersPath).c_str(), win32::KeyWrite, &key);
        r.DeleteKey(key, name);
        r.CloseKey(key);
    };
    const std::u16string longName = u"Tortoise" + std::u16string(247, u'L');
    const struct {
        const char* why;
        OverlayList seed;
        const char16_t* second;
        std::function<void(FakeRegistry&)> sinceTheScan;
        const char16_t* leftOut = nullptr;  // a subkey without a value, which the scan leaves out
    } cases[] = {
        {"an old and a new registration share a blank-free name",
         {Entry(u" Tortoise1", u"{Old}"), Entry(u"Tortoise1", u"{New}"), Entry(u"Tortoise2")}, u"-", nullptr},
        {"a new name longer than 255", {Entry(longName), Entry(u"Tortoise1")}, u"-", nullptr},
        {"a target held by a subkey the scan left out", WorkedExample(), u"CloudSync", nullptr, u"  tortoise2"},
        {"a subkey renamed away by another program", WorkedExample(), u"CloudSync",
         [&](FakeRegistry& r) { drop(r, u" Archiver"); r.AddOverlay(u"Archiver", u"{B1}"); }},
        {"a duplicate deleted by another program", WorkedExample(), u"CloudSync",
         [&](FakeRegistry& r) { drop(r, u" Tortoise2"); }},
        {"the key cannot be opened for reading", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.FailCall(RegOp::Open, r.Calls(RegOp::Open) + 1, win32::ErrorAccessDenied); }},
        {"the key cannot be opened for writing", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.FailCall(RegOp::Open, r.Calls(RegOp::Open) + 2, win32::ErrorAccessDenied); }},
        {"an index of the key cannot be read", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.FailCall(RegOp::EnumKey, r.Calls(RegOp::EnumKey) + 3, win32::ErrorMoreData); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        registry = FakeRegistry();
        messages.shown.clear();
        state = {};
        if (c.leftOut) registry.AddKey(std::u16string(OverlayIdentifiersPath) + u"\\" + c.leftOut);
        PlanFromRegistry(u"Tortoise", c.second, c.seed);
        if (c.sinceTheScan) c.sinceTheScan(registry);
        const auto before = registry.OverlayRegistrations();
        const int actions = registry.Calls(RegOp::Rename) + registry.Calls(RegOp::Delete);
        Apply({IdYes});
        EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}, {IdsChangeFailed, MbOk}}));
        EXPECT_EQ(registry.OverlayRegistrations(), before);
        EXPECT_EQ(registry.Calls(RegOp::Rename) + registry.Calls(RegOp::Delete), actions) << "nothing attempted";
        EXPECT_EQ(registry.OpenHandles(), 0);
        EXPECT_FALSE(state.registryChanged);
    }
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

TEST_F(ApplyTest, APlanThatKeepsEverythingChangesNothing) {
    Seed(registry, WorkedExample());
    plan = {Rename(u"Tortoise1", u"Tortoise1")};
    Apply({IdYes, IdNo});
    EXPECT_EQ(registry.Calls(RegOp::Rename) + registry.Calls(RegOp::Delete), 0);
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
