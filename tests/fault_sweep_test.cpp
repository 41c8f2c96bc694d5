// Every registry call of the scan and of the walk, one at a time, fails with each
// code the platform can give there. Whatever fails, the run ends, says exactly
// what happened, and no handler loses its last registration.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <ostream>
#include <string>

#include "core/apply.h"
#include "core/catalogue.h"
#include "support/builders.h"
#include "support/fake_profile.h"
#include "support/invariants.h"

namespace tessary::tests {
namespace {

constexpr long FailureCodes[] = {sdk::ErrorFileNotFound, sdk::ErrorAccessDenied, sdk::ErrorInvalidHandle,
                                 sdk::ErrorMoreData, sdk::ErrorKeyDeleted};

struct Case {
    const char* name;  // of the test: letters and digits only
    OverlayList registry;
    std::u16string first;
    std::u16string second;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

std::vector<Case> Cases() {
    OverlayList many;
    for (int i = 0; i < 40; ++i) {
        const std::u16string n(1, static_cast<char16_t>(u'A' + i % 26));
        many.push_back(Entry(u"Sync" + n + (i < 26 ? u"" : u"x"), u"{S" + n + u"}"));
        if (i % 5 == 0) many.push_back(Entry(u"  Sync" + n + (i < 26 ? u"" : u"x"), u"{S" + n + u"}"));
    }
    return {
        {"WorkedExampleTwoGroups", WorkedExample(), u"Tortoise", u"CloudSync"},
        {"WorkedExampleOneGroup", WorkedExample(), u"Tortoise", u"-"},
        {"BlankedTwins", {Entry(u"  DropSync", u"{D}"), Entry(u" DropSync", u"{D}"), Entry(u"Tortoise1"), Entry(u"Tortoise2")}, u"Tortoise", u"-"},
        {"CaseVariants", {Entry(u" foo1", u"{F}"), Entry(u"foo1", u"{F}"), Entry(u"Foo1", u"{G}"), Entry(u"Foo2", u"{H}")}, u"Tortoise", u"Foo"},
        {"FortyHandlersWithLeftovers", many, u"Sync", u"-"},
        {"AForeseeableClash", {Entry(u" Tortoise1", u"{Old}"), Entry(u"Tortoise1", u"{New}"), Entry(u" Archiver")}, u"Tortoise", u"-"},
    };
}

struct Outcome {
    std::vector<std::pair<int, unsigned>> messages;
    Registrations before;
    Registrations after;
    std::vector<std::u16string> namesBefore;
    std::vector<std::u16string> namesAfter;  // after the first press
    bool changed;
    std::vector<RegCall> walk;  // the calls the walk made
    std::size_t undoFiles;
    std::u16string undoText;
    std::string undoBroken;  // after the second press too, what importing the undo file got wrong
};

// Plans from a clean scan, then applies with the fault, answering Yes and No.
Outcome Apply(const Case& c, RegOp op, int nth, long code, UndoFileApi::Result fileFault = UndoFileApi::Result::Written,
              bool replaceFails = false) {
    FakeRegistry registry;
    Seed(registry, c.registry);
    OverlayList current;
    ReadOverlayIdentifiers(registry, current);
    MarkDuplicates(current);
    const Plan plan = BuildPlannedList(current, c.first, c.second);

    Outcome outcome;
    outcome.before = ReadRegistrations(registry);
    outcome.namesBefore = registry.OverlayNames();
    const auto subkeysBefore = registry.OverlaySubkeys();
    ScriptedMessages messages;
    RecordingSignOut signOut;
    FakeUndoFiles files;
    if (fileFault != UndoFileApi::Result::Written) files.faults[1] = fileFault;
    files.replaceFails = replaceFails;
    const ApplyServices services{registry, messages, signOut, {files, u"C:\\", UndoLanguage::English}, nullptr};
    const std::size_t logStart = registry.History().size();
    if (nth > 0) registry.FailCall(op, registry.Calls(op) + nth, code);
    messages.answers = {IdYes, IdNo};
    ApplyState state;
    ApplyPlannedList(plan.PlannedList, services, state);
    outcome.walk.assign(registry.History().begin() + static_cast<std::ptrdiff_t>(logStart), registry.History().end());
    EXPECT_EQ(registry.OpenHandles(), op == RegOp::Close ? 1 : 0) << "a handle left open";
    outcome.messages = messages.shown;
    outcome.changed = state.registryChanged;
    outcome.undoFiles = files.files.size();
    outcome.namesAfter = registry.OverlayNames();

    // A second press never walks a changed registry again.
    const std::size_t calls = registry.History().size();
    messages.answers = {IdYes, IdNo};
    ApplyPlannedList(plan.PlannedList, services, state);
    if (outcome.changed) {
        EXPECT_EQ(registry.History().size(), calls);
    }
    outcome.after = ReadRegistrations(registry);
    outcome.undoText = files.OnlyText();
    outcome.undoBroken =
        CheckUndoImport(registry, logStart, subkeysBefore, plan.PlannedList, outcome.undoText);
    return outcome;
}

class FaultSweep : public testing::TestWithParam<Case> {};

// The calls of one press: the names read (Open, EnumKey..., Close), each subkey
// the walk touches read whole for the undo file (Open, EnumValue..., EnumKey...,
// Close), then the walk (Open, Rename and Delete..., Close); and the undo file's
// creation and, after a stopped walk, its replacement. An undo file is left
// exactly when the registry was changed, and importing it undoes what ran.
TEST_P(FaultSweep, EveryCallOfAPressFailingStopsItAndKeepsEveryHandler) {
    int runs = 0, positions = 0;
    const Case& c = GetParam();
    const Outcome clean = Apply(c, RegOp::Open, 0, 0);
    const bool foreseen = clean.messages.back().first == IdsChangeFailed;
    ASSERT_EQ(clean.after, clean.before);
    if (foreseen) {
        ASSERT_EQ(clean.namesAfter, clean.namesBefore) << "a foreseeable failure changes nothing";
    }
    const auto checkUndo = [](const Outcome& o) {
        EXPECT_EQ(o.undoFiles, o.changed ? 1u : 0u);
        EXPECT_EQ(o.undoBroken, "");
    };
    checkUndo(clean);
    for (const auto fileFault : {UndoFileApi::Result::Exists, UndoFileApi::Result::Failed}) {
        const Outcome o = Apply(c, RegOp::Open, 0, 0, fileFault);
        checkUndo(o);
        if (fileFault == UndoFileApi::Result::Exists || foreseen) {
            EXPECT_EQ(o.messages, clean.messages) << "the next free name is taken";
        } else {
            EXPECT_EQ(o.messages.back(), std::make_pair(IdsChangeFailed, MbOk));
            EXPECT_EQ(o.namesAfter, o.namesBefore) << "no undo file, no change";
        }
    }
    // The undo file's reads end alike whatever the code: there each call fails
    // with one code, the codes taken in turn.
    const auto undoReads = std::find(clean.walk.begin(), clean.walk.end(), RegCall::Close()) - clean.walk.begin();
    const auto walk = std::find_if(clean.walk.begin(), clean.walk.end(), [](const RegCall& call) {
        return call.op == RegOp::Open && call.access == sdk::KeyWrite;
    }) - clean.walk.begin();
    std::map<RegOp, int> seen;
    for (std::ptrdiff_t call = 0; call < std::ssize(clean.walk); ++call) {
        const RegOp op = clean.walk[call].op;
        const int nth = ++seen[op];
        ++positions;
        for (const long code : FailureCodes) {
            if (call > undoReads && call < walk && code != FailureCodes[call % std::ssize(FailureCodes)]) continue;
            ++runs;
            SCOPED_TRACE(testing::Message() << "call " << nth << " of " << Text(op) << " fails with " << code);
            const Outcome o = Apply(c, op, nth, code);
            EXPECT_EQ(o.after, o.before) << "a registration was lost";
            checkUndo(o);
            if ((op == RegOp::Close || (op == RegOp::EnumValue && code == sdk::ErrorMoreData)) && !foreseen) {
                // Nothing depends on closing; a value that outgrew the buffer is read again.
                EXPECT_EQ(o.messages.back(), std::make_pair(IdsChangeSucceeded, MbYesNo));
                continue;
            }
            EXPECT_EQ(o.messages.back(), std::make_pair(IdsChangeFailed, MbOk));
            const bool actionFailed = op == RegOp::Rename || op == RegOp::Delete;
            if (foreseen || !actionFailed) {
                EXPECT_EQ(o.namesAfter, o.namesBefore) << "a failure before the first action changes nothing";
                EXPECT_FALSE(o.changed);
                continue;
            }
            // The failing action is the walk's last; only the close follows.
            const auto failed = std::find_if(o.walk.begin(), o.walk.end(), [](const RegCall& made) { return made.IsAction() && !made.Succeeded(); });
            ASSERT_NE(failed, o.walk.end());
            EXPECT_EQ(failed + 2, o.walk.end());
            EXPECT_EQ(o.walk.back(), RegCall::Close());
            EXPECT_EQ(o.changed, std::any_of(o.walk.begin(), failed, [](const RegCall& made) { return made.IsAction(); }));
            // When the file of the steps that ran cannot be put in place, the
            // whole file stays, and nothing else.
            const Outcome whole = Apply(c, op, nth, code, UndoFileApi::Result::Written, true);
            EXPECT_EQ(whole.undoFiles, o.changed ? 1u : 0u);
            EXPECT_TRUE(!o.changed || whole.undoText == clean.undoText);
        }
    }
    std::cout << "[ fault sweep ] press, " << c.name << ": " << positions << " call positions, " << runs << " faults injected\n";
}

TEST_P(FaultSweep, EveryScanCallFailingEndsTheScanWithGenuineEntries) {
    int runs = 0, positions = 0;
    const Case& c = GetParam();
    FakeRegistry clean;
    Seed(clean, c.registry);
    OverlayList expected;
    ReadOverlayIdentifiers(clean, expected);
    for (const RegOp op : {RegOp::Open, RegOp::EnumKey, RegOp::EnumValue, RegOp::Close}) {
        for (int nth = 1; nth <= clean.Calls(op); ++nth) {
            ++positions;
            for (const long code : FailureCodes) {
                ++runs;
                FakeRegistry registry;
                Seed(registry, c.registry);
                registry.FailCall(op, nth, code);
                OverlayList read;
                ReadOverlayIdentifiers(registry, read);
                // What was read is what is there, in order, one subkey missing at most,
                // unless the scan ended early on a key that is gone or a bad handle.
                EXPECT_TRUE(std::includes(expected.begin(), expected.end(), read.begin(), read.end(),
                                          [](const OverlayEntry& a, const OverlayEntry& b) { return CompareIgnoringCase(a.keyName, b.keyName) < 0; }));
                const bool ends = op == RegOp::EnumKey && (code == sdk::ErrorKeyDeleted || code == sdk::ErrorInvalidHandle);
                if (op == RegOp::Open && nth == 1) {
                    EXPECT_TRUE(read.empty());
                } else if (op == RegOp::Close) {
                    EXPECT_EQ(read, expected);
                } else if (!ends) {
                    EXPECT_GE(read.size() + 1, expected.size());
                }
            }
        }
    }
    std::cout << "[ fault sweep ] scan, " << c.name << ": " << positions << " call positions, " << runs << " faults injected\n";
}

INSTANTIATE_TEST_SUITE_P(Registry, FaultSweep, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessary::tests
