#include "ui/main_model.h"

#include <gtest/gtest.h>

#include "res/resource.h"
#include "support/builders.h"
#include "support/fake_profile.h"

namespace tessary::tests {
namespace {

constexpr std::u16string_view Path = u"C:\\Users\\user\\Tessary.ini";

std::u16string Text(int id) { return id == IDS_STATUS_RENAME ? u"Rename" : u"Duplicate"; }

class MainModelTest : public testing::Test {
protected:
    FakeRegistry registry;
    FakeProfile profile;
    ScriptedMessages messages;
    RecordingSignOut signOut;
    FakeUndoFiles files;
    MainModel model{Platform{registry, profile, messages, signOut, files}};

    void Start(const OverlayList& list) {
        Seed(registry, list);
        model.Initialise();
    }
    std::vector<std::u16string> AfterNames() const {
        std::vector<std::u16string> names;
        for (const OverlayRow& row : model.AfterViewRows(Text)) names.push_back(row.name);
        return names;
    }
};

TEST_F(MainModelTest, StartsWithTheRememberedGroupsAndPlansThem) {
    profile.files[std::u16string(Path)].sections[u"GROUP"] = {{u"NAME1", u"Tortoise"}, {u"NAME2", u"CloudSync"}};
    Start(WorkedExample());
    EXPECT_EQ(model.FirstGroupPicker(), (PickerContent{{u"CloudSync", u"Tortoise"}, 1}));
    EXPECT_EQ(model.SecondGroupPicker(), (PickerContent{{u"CloudSync", u"-"}, 0}));
    EXPECT_EQ(model.NowViewRows(Text)[4], (OverlayRow{u"o", u" Tortoise2", u"Duplicate"}));
    EXPECT_EQ(AfterNames(), (std::vector<std::u16string>{u"  Tortoise1", u"  Tortoise2", u" CloudSync1",
                                                         u" CloudSync2", u" CloudSync3", u"Archiver"}));
    EXPECT_TRUE(model.ChangeEnabled());
}

TEST_F(MainModelTest, WithoutSettingsOrTortoiseTheFirstCandidateIsTakenAndWrittenAtClose) {
    Start({Entry(u"CloudSync1"), Entry(u"CloudSync2")});
    EXPECT_EQ(model.Selection(), (GroupSelection{u"CloudSync", u"-"}));
    model.Close();
    EXPECT_EQ(profile.Stored(Path, u"NAME1"), u"CloudSync");
    EXPECT_FALSE(profile.Stored(Path, u"NAME2").has_value());
}

TEST_F(MainModelTest, NoCandidatesStoresAnEmptyFirstGroup) {
    Start({Entry(u"Alpha"), Entry(u"Beta")});
    EXPECT_EQ(model.Selection(), (GroupSelection{u"", u"-"}));
    model.Close();
    EXPECT_EQ(profile.Stored(Path, u"NAME1"), u"");
}

TEST_F(MainModelTest, PickingTheSecondGroupsNameFirstResetsTheSecond) {
    Start(WorkedExample());
    model.SelectSecondGroup(u"CloudSync");
    model.SelectFirstGroup(u"CloudSync");
    EXPECT_EQ(model.Selection(), (GroupSelection{u"CloudSync", u"-"}));
    EXPECT_EQ(model.SecondGroupPicker(), (PickerContent{{u"Tortoise", u"-"}, 1}));
    EXPECT_EQ(AfterNames().front(), u" CloudSync1");
}

TEST_F(MainModelTest, TheChangeButtonFollowsThePlanUntilTheRegistryChanged) {
    Start({Entry(u"  Tortoise1"), Entry(u" CloudSync1"), Entry(u"CloudSync2")});
    model.SelectFirstGroup(u"Tortoise");
    model.SelectSecondGroup(u"CloudSync");
    EXPECT_TRUE(model.ChangeEnabled());  // CloudSync2 moves
    messages.answers = {IdYes, IdNo};
    model.ApplyChanges();
    EXPECT_EQ(registry.OverlayNames(), (std::vector<std::u16string>{u"  Tortoise1", u" CloudSync1", u" CloudSync2"}));
    EXPECT_FALSE(model.ChangeEnabled());
    model.SelectSecondGroup(u"-");
    EXPECT_FALSE(model.ChangeEnabled()) << "stays off after picker changes";
    EXPECT_EQ(model.NowViewRows(Text).back().name, u"CloudSync2") << "the views keep the registry as read";
}

TEST_F(MainModelTest, SignOutWritesTheChangedNames) {
    Start(WorkedExample());
    model.SelectSecondGroup(u"CloudSync");
    messages.answers = {IdYes, IdYes};
    model.ApplyChanges();
    EXPECT_EQ(signOut.requests, 1);
    EXPECT_EQ(profile.Stored(Path, u"NAME2"), u"CloudSync");
}

}  // namespace
}  // namespace tessary::tests
