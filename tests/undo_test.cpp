#include "core/undo.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/apply.h"
#include "core/overlay.h"
#include "core/registry.h"
#include "support/apply_fixture.h"
#include "support/builders.h"
#include "support/fake_registry.h"

namespace tessary::tests {
namespace {

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
