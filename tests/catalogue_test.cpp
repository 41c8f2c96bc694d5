#include "core/catalogue.h"

#include <gtest/gtest.h>

#include "support/builders.h"
#include "support/fake_registry.h"

namespace tessary::tests {
namespace {

std::u16string SubkeyPath(std::u16string_view name) {
    return std::u16string(OverlayIdentifiersPath) + u"\\" + std::u16string(name);
}

OverlayList Scan(FakeRegistry& registry) {
    OverlayList list;
    ReadOverlayIdentifiers(registry, list);
    EXPECT_EQ(registry.OpenHandles(), 0) << "every handle is closed";
    return list;
}

TEST(ReadOverlayIdentifiers, ReadsNamesAndClassIdentifiersInEnumerationOrder) {
    FakeRegistry registry;
    registry.AddOverlay(u"  CloudSync1", u"{a1}");
    registry.AddOverlay(u"Tortoise1", u"{T1}");
    registry.AddOverlay(u" Sync Err", u"{B2}");
    registry.AddOverlay(u"\tTabbed", u"{C3}");
    registry.AddOverlay(u"   ", u"{D4}");
    registry.AddOverlay(u"archiver", u"{E5}");

    const OverlayList list = Scan(registry);

    // The registry's order: by code unit, ignoring case, so a tab before blanks.
    const OverlayList expected = {Entry(u"\tTabbed", u"{C3}"),   Entry(u"   ", u"{D4}"),
                                  Entry(u"  CloudSync1", u"{a1}"), Entry(u" Sync Err", u"{B2}"),
                                  Entry(u"archiver", u"{E5}"),    Entry(u"Tortoise1", u"{T1}")};
    EXPECT_EQ(list, expected);
    EXPECT_EQ(list[0].bareName, u"\tTabbed");
    EXPECT_EQ(list[1].bareName, u"");
    EXPECT_EQ(list[3].bareName, u"Sync Err");
}

TEST(ReadOverlayIdentifiers, AppendsToWhatTheListHolds) {
    FakeRegistry registry;
    registry.AddOverlay(u"Tortoise1", u"{T1}");
    OverlayList list = {Entry(u"Earlier")};
    ReadOverlayIdentifiers(registry, list);
    EXPECT_EQ(KeyNames(list), (std::vector<std::u16string>{u"Earlier", u"Tortoise1"}));
}

TEST(ReadOverlayIdentifiers, OpensTheKeyForReadingAndEachSubkeyByFullPathForQuerying) {
    FakeRegistry registry;
    registry.AddOverlay(u" One", u"{1}");
    Scan(registry);
    const std::vector<RegCall>& calls = registry.History();
    const std::u16string key = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellIconOverlayIdentifiers";
    ASSERT_GE(calls.size(), 4u);
    EXPECT_EQ(calls[0], RegCall::Open(key, sdk::KeyRead));
    EXPECT_EQ(calls[1], RegCall::EnumKey(0));
    EXPECT_EQ(calls[2], RegCall::Open(key + u"\\ One", sdk::KeyQueryValue));
    EXPECT_EQ(calls[3], RegCall::EnumValue(0));
}

TEST(ReadOverlayIdentifiers, AbsentKeyGivesAnEmptyList) {
    FakeRegistry registry;
    registry.RemoveOverlayKey();
    EXPECT_TRUE(Scan(registry).empty());
    EXPECT_EQ(registry.Calls(RegOp::EnumKey), 0);
}

TEST(ReadOverlayIdentifiers, LeavesOutSubkeysWithoutReadableTextAsFirstValue) {
    FakeRegistry registry;
    registry.AddOverlay(u"Good", u"{AbC}");
    registry.AddKey(SubkeyPath(u"NoValue"));
    registry.AddValue(SubkeyPath(u"Expand"), {u"", 2, SzData(u"%x%")});
    registry.AddValue(SubkeyPath(u"Multi"), {u"", 7, SzData(u"a")});
    registry.AddValue(SubkeyPath(u"Dword"), {u"", 4, {1, 0, 0, 0}});
    // Only the first value counts, even when a later one is text.
    registry.AddValue(SubkeyPath(u"SecondIsText"), {u"", 4, {1, 0, 0, 0}});
    registry.AddValue(SubkeyPath(u"SecondIsText"), {u"b", 1, SzData(u"{X}")});
    registry.AddValue(SubkeyPath(u"LongValueName"), {std::u16string(260, u'n'), 1, SzData(u"{X}")});
    registry.AddValue(SubkeyPath(u"LongData"), {u"", 1, SzData(std::u16string(260, u'x'))});
    registry.AddValue(SubkeyPath(u"Named"), {std::u16string(259, u'n'), 1, SzData(std::u16string(259, u'y'))});
    registry.AddOverlay(u"Empty", u"");
    // Possible through the native API; opened by name, it would reach "Good".
    registry.AddOverlay(std::u16string(u"Good\0x", 6), u"{Nul}");

    const OverlayList list = Scan(registry);

    const OverlayList expected = {Entry(u"Empty", u""), Entry(u"Good", u"{AbC}"),
                                  Entry(u"Named", std::u16string(259, u'y'))};
    EXPECT_EQ(list, expected);
}

TEST(ReadOverlayIdentifiers, TakesTextOnlyFromTheReturnedBytes) {
    FakeRegistry registry;
    // Sorted: A.., B.., C.., D.., E..
    registry.AddValue(SubkeyPath(u"A long"), {u"", 1, SzData(u"{0123456789-ABCDEF}")});
    registry.AddValue(SubkeyPath(u"B unterminated"), {u"", 1, SzData(u"{B}", false)});
    registry.AddValue(SubkeyPath(u"C zero bytes"), {u"", 1, {}});
    registry.AddValue(SubkeyPath(u"D odd bytes"), {u"", 1, {'{', 0, 'D', 0, '}'}});
    registry.AddValue(SubkeyPath(u"E inner nul"), {u"", 1, SzData(std::u16string(u"{E}\0tail", 8))});

    const OverlayList list = Scan(registry);

    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].handlerClsid, u"{0123456789-ABCDEF}");
    EXPECT_EQ(list[1].handlerClsid, u"{B}");
    EXPECT_EQ(list[2].handlerClsid, u"") << "nothing left over from the previous subkey";
    EXPECT_EQ(list[3].handlerClsid, u"{D");
    EXPECT_EQ(list[4].handlerClsid, u"{E}");
}

TEST(ReadOverlayIdentifiers, ReadsNamesOfUpTo255Characters) {
    FakeRegistry registry;
    const std::u16string longest = u"  " + std::u16string(253, u'L');
    registry.AddOverlay(longest, u"{L}");
    registry.AddOverlay(std::u16string(181, u'M'), u"{M}");
    const OverlayList list = Scan(registry);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].keyName, longest);
    EXPECT_EQ(list[0].bareName.size(), 253u);
    EXPECT_EQ(list[1].handlerClsid, u"{M}");
}

TEST(ReadOverlayIdentifiers, AFailedIndexIsSkippedAndTheScanGoesOn) {
    for (const long code : {sdk::ErrorMoreData, sdk::ErrorAccessDenied, sdk::ErrorFileNotFound}) {
        FakeRegistry registry;
        registry.AddOverlay(u"One", u"{1}");
        registry.AddOverlay(u"Two", u"{2}");
        registry.AddOverlay(u"Three", u"{3}");
        registry.FailCall(RegOp::EnumKey, 2, code);
        EXPECT_EQ(KeyNames(Scan(registry)), (std::vector<std::u16string>{u"One", u"Two"})) << code;
    }
}

TEST(ReadOverlayIdentifiers, ASubkeyThatCannotBeOpenedOrEnumeratedIsLeftOut) {
    FakeRegistry registry;
    registry.AddOverlay(u"One", u"{1}");
    registry.AddOverlay(u"Three", u"{3}");
    registry.AddOverlay(u"Two", u"{2}");
    registry.FailCall(RegOp::Open, 2, sdk::ErrorAccessDenied);     // "One"
    registry.FailCall(RegOp::EnumValue, 2, sdk::ErrorMoreData);  // "Two"
    EXPECT_EQ(KeyNames(Scan(registry)), (std::vector<std::u16string>{u"Three"}));
}

TEST(ReadOverlayIdentifiers, EndsWhenTheKeyIsGoneTheHandleIsBadOrIndicesKeepFailing) {
    // 1016, 1015, 8, 1450: a damaged hive, a corrupt key, no memory, no resources.
    const struct { long code; int failing; std::size_t read; } cases[] = {
        {sdk::ErrorKeyDeleted, 1, 1}, {sdk::ErrorInvalidHandle, 1, 1}, {1016, 63, 7},
        {1015, MaxFailedIndicesInARow, 1},  {8, 1 << 30, 1},                  {1450, 1 << 30, 1}};
    for (const auto& c : cases) {
        FakeRegistry registry;
        for (int i = 10; i < 80; ++i) registry.AddOverlay(u"Sync" + std::u16string{char16_t(u'0' + i / 10), char16_t(u'0' + i % 10)}, u"{S}");
        registry.FailCall(RegOp::EnumKey, 2, c.code, c.failing);
        EXPECT_EQ(Scan(registry).size(), c.read) << c.code << ", " << c.failing << " failing";
        if (c.read == 1) {
            EXPECT_EQ(registry.Calls(RegOp::EnumKey), 1 + std::min(c.failing, MaxFailedIndicesInARow)) << c.code;
        }
    }
}

}  // namespace
}  // namespace tessary::tests
