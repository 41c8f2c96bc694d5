#include "core/candidates.h"

#include <gtest/gtest.h>

#include "support/builders.h"

namespace tessary::tests {
namespace {

std::vector<bool> Marks(OverlayList list) {
    MarkDuplicates(list);
    std::vector<bool> marks;
    for (const OverlayEntry& entry : list) marks.push_back(entry.noRename);
    return marks;
}

NameList Candidates(const OverlayList& list) {
    NameList names;
    CollectGroupCandidates(list, names);
    return names;
}

using Marked = std::vector<bool>;
using Names = std::vector<std::u16string>;

TEST(MarkDuplicates, MarksTheBlankedTwinOfABlankFreeRegistration) {
    EXPECT_EQ(Marks({Entry(u"Tortoise2", u"{T}"), Entry(u"  Tortoise2", u"{T}")}), (Marked{false, true}));
    EXPECT_EQ(Marks(WorkedExample()), (Marked{false, false, false, false, true, false, false}));
}

TEST(MarkDuplicates, TwinsNeedExactlyTheSameClassIdentifierText) {
    EXPECT_EQ(Marks({Entry(u"Tortoise2", u"{abc}"), Entry(u" Tortoise2", u"{ABC}")}), (Marked{false, false}));
    EXPECT_EQ(Marks({Entry(u"tortoise2", u"{T}"), Entry(u" Tortoise2", u"{T}")}), (Marked{false, false}));
}

TEST(MarkDuplicates, KeepsTheTwinWithTheFewestBlanksWhenAllHaveBlanks) {
    EXPECT_EQ(Marks({Entry(u"  X", u"{X}"), Entry(u" X", u"{X}")}), (Marked{true, false}));
    EXPECT_EQ(Marks({Entry(u"   X", u"{X}"), Entry(u"  X", u"{X}"), Entry(u" X", u"{X}")}),
              (Marked{true, true, false}));
    // Names made only of blanks have the same, empty, blank-free name.
    EXPECT_EQ(Marks({Entry(u"  ", u"{E}"), Entry(u" ", u"{E}")}), (Marked{true, false}));
}

TEST(MarkDuplicates, NothingToMarkInShortOrDistinctLists) {
    EXPECT_EQ(Marks({}), Marked{});
    EXPECT_EQ(Marks({Entry(u"  Lonely")}), Marked{false});
    EXPECT_EQ(Marks({Entry(u" A", u"{1}"), Entry(u"A", u"{2}"), Entry(u"  A", u"{3}")}), (Marked{false, false, false}));
}

TEST(CollectGroupCandidates, TakesCommonBeginningsOfAtLeastSixCodeUnits) {
    EXPECT_EQ(Candidates({Entry(u"Abcde1"), Entry(u"Abcde2")}), Names{});
    EXPECT_EQ(Candidates({Entry(u"Abcdef1"), Entry(u"Abcdef2")}), Names{u"Abcdef"});
    EXPECT_EQ(Candidates({Entry(u"")}), Names{});
    EXPECT_EQ(Candidates({}), Names{});
}

TEST(CollectGroupCandidates, TakesTheWholeCommonBeginningOfTheBlankFreeNames) {
    // One name is the beginning of another: all of it.
    EXPECT_EQ(Candidates({Entry(u"  Tortoise"), Entry(u"Tortoise1")}), Names{u"Tortoise"});
    // Not cut back to a word.
    EXPECT_EQ(Candidates({Entry(u"Acme Sync OK"), Entry(u"Acme Sync Err")}), Names{u"Acme Sync "});
}

TEST(CollectGroupCandidates, ListsEachCandidateOnceInOrderOfDiscovery) {
    EXPECT_EQ(Candidates({Entry(u"Tortoise1"), Entry(u"Tortoise2"), Entry(u"Tortoise3")}), Names{u"Tortoise"});
    // Outer index first, then inner: CloudSync1 finds "CloudSync" with
    // CloudSyncX before "CloudS" with CloudSt1; "CloudSt" comes from a later pair.
    const OverlayList list = {Entry(u"NimbusBox1"), Entry(u"CloudSync1"), Entry(u"NimbusBox2"), Entry(u"CloudSyncX"),
                              Entry(u"CloudSt1"),  Entry(u"CloudStor2")};
    EXPECT_EQ(Candidates(list), (Names{u"NimbusBox", u"CloudSync", u"CloudS", u"CloudSt"}));
}

TEST(CollectGroupCandidates, FamiliesGiveCandidatesOfSeveralLengths) {
    const OverlayList three = {Entry(u"Vendor Ok"), Entry(u"Vendor Err"), Entry(u"VendorX")};
    EXPECT_EQ(Candidates(three), (Names{u"Vendor ", u"Vendor"}));
}

TEST(CollectGroupCandidates, ComparesExactly) {
    // Equal blank-free names give nothing; case counts.
    EXPECT_EQ(Candidates({Entry(u"Tortoise1", u"{1}"), Entry(u" Tortoise1", u"{2}")}), Names{});
    EXPECT_EQ(Candidates({Entry(u"TortoiseA"), Entry(u"tortoiseA")}), Names{});
    EXPECT_EQ(Candidates({Entry(u"CloudSync1"), Entry(u"CloudSync2"), Entry(u"cloudsync1"), Entry(u"cloudsync2")}),
              (Names{u"CloudSync", u"cloudsync"}));
}

}  // namespace
}  // namespace tessary::tests
