#include "core/apply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "support/apply_fixture.h"
#include "support/builders.h"
#include "support/fake_profile.h"

namespace tessary::tests {
namespace {


// Windows' own upper-case table leaves the micro sign alone, as it does about
// 200 units that Unicode's simple mappings change.
std::u16string WindowsUpperCased(std::u16string_view name) {
    std::u16string upper = UpperCased(name);
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] == u'\u00B5') upper[i] = name[i];
    }
    return upper;
}

OverlayEntry Deletion(std::u16string_view name, std::u16string_view clsid = u"{X}") {
    return {std::u16string(name), StripLeadingBlanks(name), std::u16string(clsid), true, true};
}

OverlayEntry Rename(std::u16string_view present, std::u16string_view newName, std::u16string_view clsid = u"{X}") {
    return {std::u16string(newName), std::u16string(present), std::u16string(clsid), present == newName, false};
}

using Names = std::vector<std::u16string>;
using Shown = std::vector<std::pair<int, unsigned>>;

TEST_F(ApplyTest, NoToTheConfirmationLeavesTheRegistryAlone) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    const auto before = registry.OverlayRegistrations();
    const std::size_t calls = registry.History().size();
    Apply({IdNo});
    EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}}));
    EXPECT_EQ(registry.OverlayRegistrations(), before);
    EXPECT_EQ(registry.History().size(), calls) << "not even opened";
    EXPECT_FALSE(state.registryChanged);
}

TEST_F(ApplyTest, WalksThePlanSoThatTheRegistryListsTheAfterOrder) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    const std::size_t calls = registry.History().size();
    Apply({IdYes, IdNo});

    EXPECT_EQ(registry.OverlayNames(),
              (Names{u"  Tortoise1", u"  Tortoise2", u" CloudSync1", u" CloudSync2", u" CloudSync3", u"Archiver"}));
    EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}, {IdsChangeSucceeded, MbYesNo}}));
    EXPECT_EQ(signOut.requests, 0);
    // First the names as they are now: opened for reading, enumerated to the end, closed.
    const auto start = registry.History().begin() + static_cast<std::ptrdiff_t>(calls);
    const std::vector<RegCall> check(start, start + 10);
    EXPECT_EQ(check.front(), RegCall::Open(OverlayIdentifiersPath, sdk::KeyRead));
    EXPECT_EQ(check[8], RegCall::EnumKey(7, sdk::ErrorNoMoreItems));
    EXPECT_EQ(check.back(), RegCall::Close());
    // Then each subkey to rename or delete read whole for the undo file, then the
    // key opened for writing once, six actions in the plan's order, closed.
    const auto write = std::find_if(start, registry.History().end(), [](const RegCall& call) {
        return call.op == RegOp::Open && call.access == sdk::KeyWrite;
    });
    EXPECT_EQ(std::count_if(start + 10, write, [](const RegCall& call) { return call.op == RegOp::Open; }), 6);
    const std::vector<RegCall> walk(write, registry.History().end());
    EXPECT_EQ(walk, (std::vector<RegCall>{RegCall::Open(OverlayIdentifiersPath, sdk::KeyWrite),
                                          RegCall::Rename(u"Tortoise1", u"  Tortoise1"),
                                          RegCall::Rename(u"Tortoise2", u"  Tortoise2"),
                                          RegCall::Rename(u"  CloudSync1", u" CloudSync1"),
                                          RegCall::Rename(u"  CloudSync2", u" CloudSync2"),
                                          RegCall::Delete(u" Tortoise2"),
                                          RegCall::Rename(u" Archiver", u"Archiver"),
                                          RegCall::Close()}));
    EXPECT_EQ(registry.OpenHandles(), 0);
    EXPECT_TRUE(state.registryChanged);
}

TEST_F(ApplyTest, YesToSignOutWritesTheSettingsFirst) {
    PlanFromRegistry(u"Tortoise", u"CloudSync");
    Apply({IdYes, IdYes});
    EXPECT_EQ(events, (std::vector<std::string>{"message 203", "message 204", "write settings", "sign out"}));
}

// What the key as it is now shows would fail or lose a handler, fails before
// anything is changed: the Change button stays on, and another choice of groups
// may be tried.
TEST_F(ApplyTest, AWalkThatTheKeyShowsWouldFailOrLoseAHandlerChangesNothing) {
    const auto drop = [](FakeRegistry& r, const char16_t* name) {
        RegKey key = nullptr;
        r.OpenLocalMachineKey(std::u16string(OverlayIdentifiersPath).c_str(), sdk::KeyWrite, &key);
        r.DeleteKey(key, name);
        r.CloseKey(key);
    };
    const std::u16string longName = u"Tortoise" + std::u16string(247, u'L');
    const struct {
        const char* why;
        OverlayList seed;
        const char16_t* second;
        std::function<void(FakeRegistry&)> sinceTheScan;
        std::u16string leftOut = {};  // a subkey without a value, which the scan leaves out
        UpperCaseFunction registryUpperCase = UpperCased;
        const char16_t* first = u"Tortoise";
        bool refused = true;
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
         [](FakeRegistry& r) { r.FailCall(RegOp::Open, r.Calls(RegOp::Open) + 1, sdk::ErrorAccessDenied); }},
        {"the key cannot be opened for writing", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.FailCall(RegOp::Open, r.Calls(RegOp::Open) + 2, sdk::ErrorAccessDenied); }},
        {"an index of the key cannot be read", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.FailCall(RegOp::EnumKey, r.Calls(RegOp::EnumKey) + 3, sdk::ErrorMoreData); }},
        // The first rename frees " \u039CA" in the product's table, not in Windows'.
        {"names the upper-case table merges and Windows keeps apart",
         {Entry(u" \u00B5A", u"{M1}"), Entry(u"\u03BCA", u"{M2}")}, u"\u03BCA", nullptr, u" \u039CA", WindowsUpperCased,
         u"\u00B5A"},
        {"a subkey name holding U+0000", WorkedExample(), u"CloudSync", nullptr, std::u16string(u"Tortoise1\0old", 13)},
        {"a value of a subkey to rename cannot be read", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.FailCall(RegOp::EnumValue, r.Calls(RegOp::EnumValue) + 1, sdk::ErrorAccessDenied); }},
        {"a value name that a registry file cannot carry", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddValue(std::u16string(OverlayIdentifiersPath) + u"\\ Archiver", {u"a\nb", 4, {1, 0, 0, 0}}); }},
        {"string data of an odd byte count", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddValue(std::u16string(OverlayIdentifiersPath) + u"\\ Archiver\\a", {u"", 2, {0x41, 0, 0x42}}); }},
        {"a key name with a bracket", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddKey(std::u16string(OverlayIdentifiersPath) + u"\\ Archiver\\a]b"); }},
        {"the undo file cannot be written", WorkedExample(), u"CloudSync",
         [&](FakeRegistry&) { files.faults[1] = UndoFileApi::Result::Failed; }},
        {"the folder of Tessary.ini is unknown", WorkedExample(), u"CloudSync",
         [&](FakeRegistry&) { services.undo.folder.clear(); }},
        // " Tortoise2" is deleted as a duplicate of "Tortoise2", which is renamed.
        {"the duplicate registered anew", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddOverlay(u" Tortoise2", u"{New}"); }},
        {"the twin that stays registered anew", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddOverlay(u"Tortoise2", u"{New}"); }},
        {"the twin that stays, kept as it is, registered anew", WorkedExample(), u"-",
         [](FakeRegistry& r) { r.AddOverlay(u"Tortoise2", u"{New}"); }, {}, UpperCased, u"CloudSync"},
        {"the twin that stays gone", WorkedExample(), u"CloudSync", [&](FakeRegistry& r) { drop(r, u"Tortoise2"); }},
        {"a duplicate with a subkey, which RegDeleteKeyW refuses", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddKey(std::u16string(OverlayIdentifiersPath) + u"\\ Tortoise2\\a"); }},
        {"a key below a subkey to rename that refuses DELETE", WorkedExample(), u"CloudSync", [](FakeRegistry& r) {
             r.Deny(std::u16string(OverlayIdentifiersPath) + u"\\ Archiver\\a", sdk::Delete);
         }},
        {"an unrelated handler registered since goes ahead", WorkedExample(), u"CloudSync",
         [](FakeRegistry& r) { r.AddOverlay(u"Zeta", u"{Z}"); }, {}, UpperCased, u"Tortoise", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        registry = FakeRegistry(c.registryUpperCase);
        files = FakeUndoFiles();
        services.undo.folder = Folder;
        messages.shown.clear();
        state = {};
        if (!c.leftOut.empty()) registry.AddKey(std::u16string(OverlayIdentifiersPath) + u"\\" + c.leftOut);
        PlanFromRegistry(c.first, c.second, c.seed);
        if (c.sinceTheScan) c.sinceTheScan(registry);
        const auto before = registry.OverlayRegistrations();
        const int actions = registry.Calls(RegOp::Rename) + registry.Calls(RegOp::Delete);
        Apply({IdYes});
        if (!c.refused) {
            EXPECT_EQ(messages.shown.back(), std::make_pair(IdsChangeSucceeded, MbYesNo));
            continue;
        }
        EXPECT_EQ(messages.shown, (Shown{{IdsConfirmChange, MbYesNo}, {IdsChangeFailed, MbOk}}));
        EXPECT_EQ(registry.OverlayRegistrations(), before);
        EXPECT_EQ(registry.Calls(RegOp::Rename) + registry.Calls(RegOp::Delete), actions) << "nothing attempted";
        EXPECT_EQ(registry.OpenHandles(), 0);
        EXPECT_FALSE(state.registryChanged);
        EXPECT_TRUE(files.files.empty()) << "no undo file";
    }
}

TEST_F(ApplyTest, TheFirstFailureStopsTheWalkAndKeepsWhatWasDone) {
    Seed(registry, WorkedExample());
    plan = {Deletion(u" Tortoise2", u"{T2}"), Rename(u"  CloudSync1", u" CloudSync1"), Rename(u" Archiver", u"Archiver"),
            Rename(u"Tortoise2", u"Tortoise2", u"{T2}")};
    registry.FailCall(RegOp::Rename, 1, sdk::ErrorAccessDenied);
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
    registry.FailCall(RegOp::Rename, 1, sdk::ErrorAccessDenied);
    Apply({IdYes});
    EXPECT_FALSE(state.registryChanged);
    Apply({IdYes, IdNo});
    EXPECT_TRUE(state.registryChanged);
    EXPECT_EQ(registry.OverlayNames().front(), u"  Tortoise1");
}

}  // namespace
}  // namespace tessary::tests
