#include "settings/settings.h"

#include <gtest/gtest.h>

#include "support/fake_profile.h"
#include "support/fake_registry.h"

namespace tessary::tests {
namespace {

constexpr std::u16string_view Path = u"C:\\Users\\user\\Tessary.ini";

class SettingsTest : public testing::Test {
protected:
    void Read() { ReadSettings(profile, settings, selection); }
    void Write() { WriteSettings(profile, settings, selection); }
    // A fresh run in the same directory reads what the last one left.
    GroupSelection ReadAgain() {
        SettingsState again;
        GroupSelection names;
        ReadSettings(profile, again, names);
        return names;
    }

    FakeProfile profile;
    SettingsState settings;
    GroupSelection selection;
};

TEST_F(SettingsTest, DefaultsWithoutAFileAndNoFileIsMadeWhenNothingChanged) {
    Read();
    EXPECT_EQ(settings.SettingsPath, Path);
    EXPECT_EQ(selection, (GroupSelection{u"Tortoise", u"-"}));
    EXPECT_EQ(settings.SavedSelection, selection);
    Write();
    EXPECT_TRUE(profile.files.empty());
}

TEST_F(SettingsTest, ReadsStoredNamesAndTheEmptyTextAsItIs) {
    profile.files[std::u16string(Path)].sections[u"GROUP"] = {{u"NAME1", u""}, {u"NAME2", u"CloudSync"}};
    Read();
    EXPECT_EQ(selection, (GroupSelection{u"", u"CloudSync"}));
}

TEST_F(SettingsTest, WritesOnlyTheNamesThatChangedAndAgainOnEveryCall) {
    profile.files[std::u16string(Path)].sections[u"GROUP"] = {{u"NAME1", u"Tortoise"}};
    Read();
    selection.SecondGroup = u"CloudSync";
    std::vector<std::string> events;
    profile.events = &events;
    Write();
    Write();
    EXPECT_EQ(events, (std::vector<std::string>{"write NAME2=CloudSync", "write NAME2=CloudSync"}));
    EXPECT_FALSE(profile.files.at(std::u16string(Path)).unicode) << "an existing file is left as it is";

    // Changed and changed back: nothing to write.
    events.clear();
    SettingsState fresh;
    ReadSettings(profile, fresh, selection);
    selection.FirstGroup = u"CloudSync";
    selection.FirstGroup = u"Tortoise";
    WriteSettings(profile, fresh, selection);
    EXPECT_TRUE(events.empty());
}

TEST_F(SettingsTest, NamesThatTheProfileFunctionsWouldAlterComeBackUnchanged) {
    for (const std::u16string name :
         {u"Acme Sync ", u" Lead", u"\tTab", u"Tab\t", u"\"Quoted\"", u"'Single'", u"\"Open", u"It's", u"Plain",
          u"ドライブ同期", u""}) {
        profile.files.clear();
        Read();
        selection.FirstGroup = name;
        selection.SecondGroup = name + u"2";
        Write();
        EXPECT_EQ(ReadAgain(), (GroupSelection{name, name + u"2"})) << Utf8(name);
    }
}

TEST_F(SettingsTest, OtherValuesAreWrittenExactlyAsBefore) {
    EXPECT_EQ(ProfileValueFor(u"Tortoise"), u"Tortoise");
    EXPECT_EQ(ProfileValueFor(u"It's \"x\""), u"It's \"x\"");
    EXPECT_EQ(ProfileValueFor(u""), u"");
    EXPECT_EQ(ProfileValueFor(u"Acme Sync "), u"\"Acme Sync \"");
}

TEST_F(SettingsTest, TheFirstWriteCreatesAUnicodeFile) {
    Read();
    selection.FirstGroup = u"同期クライアント";
    Write();
    ASSERT_EQ(profile.files.size(), 1u);
    EXPECT_TRUE(profile.files.begin()->second.unicode);
    EXPECT_EQ(profile.Stored(Path, u"NAME1"), u"同期クライアント");
    EXPECT_FALSE(profile.Stored(Path, u"NAME2").has_value());
}

TEST_F(SettingsTest, TheRootDirectoryGivesTwoBackslashes) {
    profile.directory = u"C:\\";
    Read();
    EXPECT_EQ(settings.SettingsPath, u"C:\\\\Tessary.ini");
}

TEST_F(SettingsTest, AnUnreadableDirectoryGivesDefaultsAndWritesNothing) {
    profile.directory.reset();
    Read();
    EXPECT_EQ(selection, (GroupSelection{u"Tortoise", u"-"}));
    selection.FirstGroup = u"Other";
    Write();
    EXPECT_TRUE(profile.files.empty());
}

TEST_F(SettingsTest, LongValuesAreCutTo259Characters) {
    profile.files[std::u16string(Path)].sections[u"GROUP"] = {{u"NAME1", std::u16string(300, u'x')}};
    Read();
    EXPECT_EQ(selection.FirstGroup, std::u16string(259, u'x'));
}

}  // namespace
}  // namespace tessary::tests
