// The in-memory registry stands in for Windows in every other test, so it must
// answer as Windows does.
#include "support/fake_registry.h"

#include <gtest/gtest.h>

#include "core/overlay.h"

namespace tessary::testing {
namespace {

class FakeRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char16_t* name : {u"beta", u"Alpha", u" Gamma", u"  delta"}) registry.AddOverlay(name, u"{X}");
        ASSERT_EQ(registry.OpenLocalMachineKey(std::u16string(OverlayIdentifiersPath).c_str(), win32::KeyWrite, &key),
                  win32::ErrorSuccess);
    }
    void TearDown() override { EXPECT_EQ(registry.CloseKey(key), win32::ErrorSuccess); }

    FakeRegistry registry;
    RegKey key = nullptr;
};

TEST_F(FakeRegistryTest, EnumeratesIgnoringCaseUntilNoMoreItems) {
    EXPECT_EQ(registry.OverlayNames(), (std::vector<std::u16string>{u"  delta", u" Gamma", u"Alpha", u"beta"}));
    char16_t name[8];
    std::uint32_t length = 8;
    EXPECT_EQ(registry.EnumKey(key, 2, name, &length), win32::ErrorSuccess);
    EXPECT_EQ(std::u16string(name, length), u"Alpha");
    length = 8;
    EXPECT_EQ(registry.EnumKey(key, 4, name, &length), win32::ErrorNoMoreItems);
    length = 5;
    EXPECT_EQ(registry.EnumKey(key, 2, name, &length), win32::ErrorMoreData);
}

TEST_F(FakeRegistryTest, RenameRefusesAMissingSourceAndAnyExistingTarget) {
    EXPECT_EQ(registry.RenameKey(key, u"Missing", u"New"), win32::ErrorFileNotFound);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u"beta"), win32::ErrorAccessDenied);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u"BETA"), win32::ErrorAccessDenied);
    EXPECT_NE(registry.RenameKey(key, u"Alpha", std::u16string(256, u'L').c_str()), win32::ErrorSuccess);
    EXPECT_EQ(registry.RenameKey(key, u"ALPHA", u" Alpha"), win32::ErrorSuccess);
    EXPECT_EQ(registry.OverlayNames().at(1), u" Alpha");
}

TEST_F(FakeRegistryTest, DeleteRefusesAMissingKeyAndOneWithSubkeys) {
    registry.AddKey(std::u16string(OverlayIdentifiersPath) + u"\\Alpha\\Child");
    EXPECT_EQ(registry.DeleteKey(key, u"Missing"), win32::ErrorFileNotFound);
    EXPECT_EQ(registry.DeleteKey(key, u"alpha"), win32::ErrorAccessDenied);
    EXPECT_EQ(registry.DeleteKey(key, u"BETA"), win32::ErrorSuccess);
    EXPECT_EQ(registry.OverlayNames().size(), 3u);
}

TEST_F(FakeRegistryTest, InjectedFaultsHitTheCallsAskedFor) {
    registry.FailCall(RegOp::Delete, 2, win32::ErrorKeyDeleted);
    registry.FailCall(RegOp::Rename, 2, win32::ErrorAccessDenied, 2);
    EXPECT_EQ(registry.DeleteKey(key, u"Alpha"), win32::ErrorSuccess);
    EXPECT_EQ(registry.DeleteKey(key, u"beta"), win32::ErrorKeyDeleted);
    EXPECT_EQ(registry.DeleteKey(key, u"beta"), win32::ErrorSuccess);
    for (const long code : {win32::ErrorFileNotFound, win32::ErrorAccessDenied, win32::ErrorAccessDenied, win32::ErrorFileNotFound}) {
        EXPECT_EQ(registry.RenameKey(key, u"Missing", u"New"), code);
    }
}

TEST_F(FakeRegistryTest, AHandleToADeletedKeyReportsIt) {
    RegKey sub = nullptr;
    ASSERT_EQ(registry.OpenLocalMachineKey((std::u16string(OverlayIdentifiersPath) + u"\\Alpha").c_str(),
                                           win32::KeyQueryValue, &sub),
              win32::ErrorSuccess);
    ASSERT_EQ(registry.DeleteKey(key, u"Alpha"), win32::ErrorSuccess);
    char16_t name[8];
    std::uint32_t length = 8;
    EXPECT_EQ(registry.EnumKey(sub, 0, name, &length), win32::ErrorKeyDeleted);
    EXPECT_EQ(registry.CloseKey(sub), win32::ErrorSuccess);
    EXPECT_EQ(registry.CloseKey(sub), win32::ErrorInvalidHandle);
}

}  // namespace
}  // namespace tessary::testing
