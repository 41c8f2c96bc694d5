#include "core/planner.h"

#include <gtest/gtest.h>

#include "core/candidates.h"
#include "support/builders.h"

namespace tessary::tests {
namespace {

Plan PlanFor(OverlayList list, std::u16string_view first, std::u16string_view second) {
    MarkDuplicates(list);
    return BuildPlannedList(list, first, second);
}

OverlayEntry Planned(std::u16string_view newName, std::u16string_view present, std::u16string_view clsid,
                     bool noRename, bool deleteKey) {
    return {std::u16string(newName), std::u16string(present), std::u16string(clsid), noRename, deleteKey};
}

TEST(BuildPlannedList, WorkedExampleWithTwoGroups) {
    const Plan plan = PlanFor(WorkedExample(), u"Tortoise", u"CloudSync");
    const OverlayList expected = {
        Planned(u"  Tortoise1", u"Tortoise1", u"{T1}", false, false),
        Planned(u"  Tortoise2", u"Tortoise2", u"{T2}", false, false),
        Planned(u" CloudSync1", u"  CloudSync1", u"{A1}", false, false),
        Planned(u" CloudSync2", u"  CloudSync2", u"{A2}", false, false),
        Planned(u" CloudSync3", u" CloudSync3", u"{A3}", true, false),
        Planned(u" Tortoise2", u"Tortoise2", u"{T2}", true, true),
        Planned(u"Archiver", u" Archiver", u"{B1}", false, false),
    };
    EXPECT_EQ(plan.PlannedList, expected);
    EXPECT_TRUE(plan.hasChanges);
}

TEST(BuildPlannedList, WorkedExampleWithoutASecondGroup) {
    const Plan plan = PlanFor(WorkedExample(), u"Tortoise", NoGroupMarker);
    // The deletion comes before the rename into the name it frees.
    EXPECT_EQ(KeyNames(plan.PlannedList),
              (std::vector<std::u16string>{u" Tortoise1", u" Tortoise2", u" Tortoise2", u"Archiver", u"CloudSync1",
                                           u"CloudSync2", u"CloudSync3"}));
    EXPECT_TRUE(plan.PlannedList[1].deleteKey);
    EXPECT_FALSE(plan.PlannedList[2].deleteKey);
    for (std::size_t i = 3; i < 7; ++i) EXPECT_FALSE(plan.PlannedList[i].noRename) << i;
}

TEST(BuildPlannedList, HasChangesOnlyWhenSomethingIsRenamedOrDeleted) {
    EXPECT_FALSE(PlanFor({}, u"", NoGroupMarker).hasChanges);
    EXPECT_TRUE(PlanFor({}, u"", NoGroupMarker).PlannedList.empty());

    const Plan settled = PlanFor({Entry(u"  Tortoise1"), Entry(u" CloudSync1"), Entry(u"Other")}, u"Tortoise", u"CloudSync");
    EXPECT_FALSE(settled.hasChanges);
    for (const OverlayEntry& entry : settled.PlannedList) EXPECT_TRUE(entry.noRename);

    // A duplicate alone is a change.
    EXPECT_TRUE(PlanFor({Entry(u"Other", u"{O}"), Entry(u" Other", u"{O}")}, u"Tortoise", NoGroupMarker).hasChanges);
}

TEST(BuildPlannedList, MembershipIsAnExactBeginningOfTheBlankFreeName) {
    const Plan plan = PlanFor({Entry(u"tortoise1"), Entry(u"Tortois"), Entry(u"Tortoise"), Entry(u"   Archiver")},
                              u"Tortoise", NoGroupMarker);
    EXPECT_EQ(KeyNames(plan.PlannedList),
              (std::vector<std::u16string>{u" Tortoise", u"Archiver", u"Tortois", u"tortoise1"}));
}

TEST(BuildPlannedList, TheFirstGroupWinsWhenOneGroupNameBeginsTheOther) {
    const Plan plan = PlanFor({Entry(u"CloudSync1"), Entry(u"CloudStor1")}, u"CloudSync", u"Cloud");
    EXPECT_EQ(KeyNames(plan.PlannedList), (std::vector<std::u16string>{u"  CloudSync1", u" CloudStor1"}));
}

TEST(BuildPlannedList, AnEmptyFirstGroupTakesEveryName) {
    const Plan plan = PlanFor({Entry(u"B"), Entry(u"  A")}, u"", NoGroupMarker);
    EXPECT_EQ(KeyNames(plan.PlannedList), (std::vector<std::u16string>{u" A", u" B"}));
}

TEST(BuildPlannedList, ANameOfBlanksOutsideEveryGroupKeepsItsName) {
    const Plan plan = PlanFor({Entry(u"  ", u"{1}"), Entry(u"Other")}, u"Tortoise", NoGroupMarker);
    EXPECT_EQ(plan.PlannedList.front(), Planned(u"  ", u"  ", u"{1}", true, false));
    EXPECT_FALSE(plan.hasChanges);
    // In a group it takes the group's blanks.
    EXPECT_EQ(PlanFor({Entry(u"   ", u"{1}")}, u"", NoGroupMarker).PlannedList.front().keyName, u" ");
}

TEST(BuildPlannedList, OrdersAsTheRegistryWillListTheNames) {
    const Plan plan = PlanFor({Entry(u"SkyBox1"), Entry(u"nimbus1"), Entry(u"Zeta"), Entry(u"alpha")}, u"Tortoise",
                              NoGroupMarker);
    EXPECT_EQ(KeyNames(plan.PlannedList), (std::vector<std::u16string>{u"alpha", u"nimbus1", u"SkyBox1", u"Zeta"}));
}

TEST(CompareIgnoringCase, FollowsTheUpperCaseOfLettersBeyondAscii) {
    EXPECT_EQ(CompareIgnoringCase(u"\u00E9t\u00E9 \u00FF", u"\u00C9T\u00C9 \u0178"), 0);
    EXPECT_EQ(CompareIgnoringCase(u"\u03C3\u03C2 \u0434 \uFF41", u"\u03A3\u03A3 \u0414 \uFF21"), 0);
    EXPECT_LT(CompareIgnoringCase(u"alpha", u"Beta"), 0);
    EXPECT_LT(CompareIgnoringCase(u"Tortoise", u"tortoise1"), 0);
    EXPECT_GT(CompareIgnoringCase(u"\u00F7", u"\u00D7"), 0) << "the division sign has no upper case";
    EXPECT_NE(CompareIgnoringCase(u"\u0131", u"I"), 0) << "the dotless i is left alone";
    EXPECT_NE(CompareIgnoringCase(u"\u017F", u"S"), 0) << "so is the long s";
    // Accented Greek, Vietnamese, circled letters, Roman numerals, Armenian, Cyrillic beyond U+045F.
    EXPECT_EQ(CompareIgnoringCase(u"\u03AC \u1EA1 \u24D0 \u2170 \u0561 \u0461 \u04CF",
                                  u"\u0386 \u1EA0 \u24B6 \u2160 \u0531 \u0460 \u04C0"), 0);
    EXPECT_LT(CompareIgnoringCase(u"\u24D0", u"\u24B7"), 0) << "circled a before circled B";
}

TEST(BuildPlannedList, DeletionsPrecedeRenamesIntoTheirNamesInLongLists) {
    // Many twins "Sync N" (blank-free) with leftovers " Sync N" listed after them,
    // all moved to one blank: each rename needs its leftover gone first.
    OverlayList list;
    for (int i = 0; i < 40; ++i) {
        const std::u16string letter(1, static_cast<char16_t>(u'A' + i % 26));
        list.push_back(Entry(u"Sync " + letter + (i < 26 ? u"" : u"2"), u"{S}"));
    }
    for (int i = 39; i >= 0; --i) list.push_back(Entry(u" " + list[i].keyName, u"{S}"));
    const Plan plan = PlanFor(list, u"Sync ", NoGroupMarker);
    ASSERT_EQ(plan.PlannedList.size(), 80u);
    for (std::size_t i = 0; i < 80; i += 2) {
        EXPECT_EQ(plan.PlannedList[i].keyName, plan.PlannedList[i + 1].keyName);
        EXPECT_TRUE(plan.PlannedList[i].deleteKey) << i;
        EXPECT_FALSE(plan.PlannedList[i + 1].deleteKey) << i;
    }
}

TEST(BuildPlannedList, DeletionsPrecedeRenamesIntoNamesThatDifferOnlyInCase) {
    // " foo" is a leftover of "foo"; "Foo" is another handler that the second
    // group moves to " Foo", which the registry takes as the same name.
    const Plan plan = PlanFor({Entry(u" foo", u"{F}"), Entry(u"foo", u"{F}"), Entry(u"Foo", u"{G}")}, u"Tortoise", u"Foo");
    ASSERT_EQ(plan.PlannedList.size(), 3u);
    EXPECT_TRUE(plan.PlannedList[0].deleteKey);
    EXPECT_EQ(plan.PlannedList[1].keyName, u" Foo");
}

TEST(BuildPlannedList, KeepsTheInvariantsForEveryEntry) {
    const OverlayList current = WorkedExample();
    for (const auto& [first, second] : std::vector<std::pair<std::u16string, std::u16string>>{
             {u"Tortoise", u"CloudSync"}, {u"CloudSync", u"-"}, {u"", u"-"}, {u"Archiver", u"Tortoise"}}) {
        OverlayList marked = current;
        MarkDuplicates(marked);
        const Plan plan = BuildPlannedList(marked, first, second);
        ASSERT_EQ(plan.PlannedList.size(), current.size());
        for (std::size_t i = 0; i < plan.PlannedList.size(); ++i) {
            const OverlayEntry& p = plan.PlannedList[i];
            if (p.deleteKey) {
                EXPECT_TRUE(p.noRename);
                continue;
            }
            EXPECT_EQ(p.noRename, p.keyName == p.bareName);
            EXPECT_EQ(StripLeadingBlanks(p.keyName), StripLeadingBlanks(p.bareName));
            if (i > 0) {
                EXPECT_FALSE(PlannedBefore(p, plan.PlannedList[i - 1]));
            }
        }
    }
}

}  // namespace
}  // namespace tessary::tests
