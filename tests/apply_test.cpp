#include "core/apply.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/candidates.h"
#include "core/catalogue.h"
#include "core/planner.h"
#include "support/builders.h"
#include "support/fake_profile.h"

namespace tessary::tests {
namespace {

constexpr int IdNo = 7;
constexpr std::u16string_view Folder = u"C:\\Users\\user\\";

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
    // Then each subkey to rename or delete read whole for the undo file, then the
    // key opened for writing once, six actions in the plan's order, closed.
    const auto write = std::find_if(start, registry.Log().end(), [](const std::string& call) {
        return call.find(", 131078)") != std::string::npos;
    });
    EXPECT_EQ(std::count_if(start + 10, write, [](const std::string& call) { return call.rfind("Open(", 0) == 0; }), 6);
    const std::vector<std::string> walk(write, registry.Log().end());
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

// The undo file of the twins: the duplicate " Tortoise2" is deleted and its twin
// renamed into the freed name. The deletion fails after the first rename, as
// nothing showed beforehand: the file is replaced by one of that rename only,
// and importing it gives back the key as it was.
TEST_F(ApplyTest, AfterAHalfDoneWalkTheUndoFileUndoesOnlyWhatRan) {
    PlanFromRegistry(u"Tortoise", NoGroupMarker, {Entry(u" Tortoise2", u"{T2}"), Entry(u"Tortoise1", u"{T1}"), Entry(u"Tortoise2", u"{T2}")});
    const std::u16string key = std::u16string(OverlayIdentifiersPath) + u"\\";
    registry.AddValue(key + u"Tortoise2\\Child", {u"Path", sdk::RegSz, SzData(u"C:\\x")});
    registry.AddValue(key + u" Tortoise2", {u"Extra", 4, {1, 0, 0, 0}});
    registry.FailCall(RegOp::Delete, 1, sdk::ErrorAccessDenied);
    const std::string before = registry.OverlayTree();
    Apply({IdYes});
    ASSERT_EQ(messages.shown.back(), std::make_pair(IdsChangeFailed, MbOk));
    ASSERT_TRUE(state.registryChanged);
    ASSERT_EQ(files.files.size(), 1u);
    EXPECT_EQ(files.files.begin()->first, u"C:\\Users\\user\\Tessary-undo-20261209-140824.reg");
    EXPECT_EQ(files.moves.at(0).first, u"C:\\Users\\user\\Tessary-undo-20261209-140824.tmp") << "no longer than the file's";
    EXPECT_EQ(files.files.begin()->second[0], 0xFF) << "UTF-16LE with a byte-order mark";

    const std::u16string path = u"HKEY_LOCAL_MACHINE\\" + key;
    const std::u16string text = files.OnlyText();
    EXPECT_EQ(text.substr(0, 40), u"Windows Registry Editor Version 5.00\r\n\r\n");
    EXPECT_EQ(text.substr(text.find(u"\r\n\r\n[")),
              u"\r\n\r\n"
              u"[-" + path + u" Tortoise1]\r\n\r\n"
              u"[" + path + u"Tortoise1]\r\n@=\"{T1}\"\r\n\r\n");
    registry.Import(text);
    EXPECT_EQ(registry.OverlayTree(), before);
}

// Strings escaped, dwords as numbers, and every other type, and every string
// that is not exactly one, as bytes; each comes back as readers read it.
TEST(UndoFileText, WritesEveryValueSoThatItComesBack) {
    std::vector<std::uint8_t> long_(30);
    for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<std::uint8_t>(i);
    const struct {
        RegistryValue value;
        std::u16string lines;
    } rows[] = {
        {{u"", 1, SzData(u"{T1}")}, u"@=\"{T1}\""},
        {{u"a \"b\"\\c", 1, SzData(u"C:\\d \"e\"")}, u"\"a \\\"b\\\"\\\\c\"=\"C:\\\\d \\\"e\\\"\""},
        {{u"Unicode", 1, SzData(u"\u540c\u671f")}, u"\"Unicode\"=\"\u540c\u671f\""},
        {{u"n", 4, {0x78, 0x56, 0x34, 0x12}}, u"\"n\"=dword:12345678"},
        {{u"short dword", 4, {1, 2}}, u"\"short dword\"=hex(4):01,02"},
        {{u"b", 3, {0xDE, 0xAD}}, u"\"b\"=hex:de,ad"},
        {{u"e", 2, SzData(u"%A%")}, u"\"e\"=hex(2):25,00,41,00,25,00,00,00"},
        {{u"m", 7, SzData(std::u16string(u"a\0b\0", 4))}, u"\"m\"=hex(7):61,00,00,00,62,00,00,00,00,00"},
        {{u"q", 11, {1, 0, 0, 0, 0, 0, 0, 0x80}}, u"\"q\"=hex(b):01,00,00,00,00,00,00,80"},
        {{u"none", 0, {}}, u"\"none\"=hex(0):"},
        {{u"odd", 1, {0x41, 0x00, 0x42}}, u"\"odd\"=hex(1):41,00,42"},
        {{u"inner", 1, SzData(std::u16string(u"a\0b", 3))}, u"\"inner\"=hex(1):61,00,00,00,62,00,00,00"},
        {{u"open", 1, SzData(u"ab", false)}, u"\"open\"=\"ab\""},
        {{u"open expand", 2, SzData(u"%A%", false)}, u"\"open expand\"=hex(2):25,00,41,00,25,00"},
        {{u"empty", 1, {}}, u"\"empty\"=hex(1):"},
        {{u"lines", 1, SzData(u"a\nb")}, u"\"lines\"=hex(1):61,00,0a,00,62,00,00,00"},
        {{u"long", 3, long_},
         u"\"long\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
         u"  16,17,18,19,1a,1b,1c,1d"},
    };
    for (const auto& row : rows) {
        const std::u16string text = UndoFileText(std::vector{UndoStep{u"", {u"K", {row.value}, {}}}}, {}, UndoLanguage::English);
        EXPECT_NE(text.find(u"]\r\n" + row.lines + u"\r\n\r\n"), std::u16string::npos) << Utf8(text);
        FakeRegistry imported, expected;
        imported.Import(text);
        expected.AddValue(std::u16string(OverlayIdentifiersPath) + u"\\K", row.value);
        EXPECT_EQ(imported.OverlayTree(), expected.OverlayTree());
    }
    EXPECT_NE(UndoFileText({}, {}, UndoLanguage::Japanese).find(u"; \u30a4\u30f3\u30dd\u30fc\u30c8\u3059\u308b\u3068"),
              std::u16string::npos);
}

}  // namespace
}  // namespace tessary::tests
