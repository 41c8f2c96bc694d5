#include "ui/views.h"

#include <gtest/gtest.h>

#include "core/planner.h"
#include "res/resource.h"
#include "support/builders.h"

namespace tessary::tests {
namespace {

std::u16string English(int id) {
    switch (id) {
    case IDS_STATUS_DUPLICATE: return u"Duplicate";
    case IDS_STATUS_RENAME: return u"Rename";
    default: return u"?";
    }
}

OverlayList Numbered(int count) {
    OverlayList list;
    for (int i = 0; i < count; ++i) {
        list.push_back(Entry(u"Handler" + std::u16string(1, static_cast<char16_t>(u'A' + i)), u"{H}"));
    }
    return list;
}

TEST(NowRows, MarksTheFirstFifteenRowsAndDuplicates) {
    OverlayList list = Numbered(20);
    list[3].noRename = true;
    const std::vector<OverlayRow> rows = NowRows(list, English);
    ASSERT_EQ(rows.size(), 20u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].marker, i < 15 ? u"o" : u"") << i;
        EXPECT_EQ(rows[i].name, list[i].keyName);
        EXPECT_EQ(rows[i].status, i == 3 ? u"Duplicate" : u"") << i;
    }
    EXPECT_EQ(NowRows(Numbered(15), English).back().marker, u"o");
}

TEST(NowRows, ShowsNamesExactlyAsStored) {
    EXPECT_EQ(NowRows({Entry(u"  Two blanks")}, English).front().name, u"  Two blanks");
}

TEST(AfterRows, SkipsDeletionsWhichTakeNoMarker) {
    OverlayList list = Numbered(16);
    list.push_back(Entry(u" HandlerA", u"{H}"));
    list.back().noRename = true;  // a duplicate, deleted
    const Plan plan = BuildPlannedList(list, u"HandlerA", NoGroupMarker);
    const std::vector<OverlayRow> rows = AfterRows(plan.PlannedList, English);
    ASSERT_EQ(rows.size(), 16u);
    EXPECT_EQ(rows[0], (OverlayRow{u"o", u" HandlerA", u"Rename"}));
    EXPECT_EQ(rows[1], (OverlayRow{u"o", u"HandlerB", u""}));
    EXPECT_EQ(rows[14].marker, u"o");
    EXPECT_EQ(rows[15], (OverlayRow{u"", u"HandlerP", u""}));
}

TEST(FirstGroupPicker, SelectsTheRememberedNameOrReplacesIt) {
    std::u16string first = u"CloudSync";
    EXPECT_EQ(FirstGroupPickerContent({u"Tortoise", u"CloudSync"}, first),
              (PickerContent{{u"Tortoise", u"CloudSync"}, 1}));
    EXPECT_EQ(first, u"CloudSync");

    first = u"Tortoise";
    EXPECT_EQ(FirstGroupPickerContent({u"CloudSync", u"Tortoise1"}, first).selected, 0);
    EXPECT_EQ(first, u"CloudSync");

    EXPECT_EQ(FirstGroupPickerContent({}, first), (PickerContent{{}, 0}));
    EXPECT_EQ(first, u"");
}

TEST(SecondGroupPicker, OffersTheOtherCandidatesAndNoGroupLast) {
    std::u16string second = u"Archiver";
    EXPECT_EQ(SecondGroupPickerContent({u"Tortoise", u"CloudSync", u"Archiver"}, u"Tortoise", second),
              (PickerContent{{u"CloudSync", u"Archiver", u"-"}, 1}));
    EXPECT_EQ(second, u"Archiver");

    // The first group's name is never offered, so it falls back to "-".
    second = u"Tortoise";
    EXPECT_EQ(SecondGroupPickerContent({u"Tortoise", u"CloudSync"}, u"Tortoise", second),
              (PickerContent{{u"CloudSync", u"-"}, 1}));
    EXPECT_EQ(second, u"-");

    second = u"Gone";
    EXPECT_EQ(SecondGroupPickerContent({}, u"", second), (PickerContent{{u"-"}, 0}));
    EXPECT_EQ(second, u"-");
}

}  // namespace
}  // namespace tessary::tests
