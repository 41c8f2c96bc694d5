// The in-memory registry stands in for Windows in every other test, so it must
// answer as Windows does.
#include "support/fake_registry.h"

#include <gtest/gtest.h>

#include "core/overlay.h"

namespace tessary::tests {
namespace {

class FakeRegistryTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char16_t* name : {u"beta", u"Alpha", u" Gamma", u"  delta"}) registry.AddOverlay(name, u"{X}");
        ASSERT_EQ(registry.OpenLocalMachineKey(std::u16string(OverlayIdentifiersPath).c_str(), sdk::KeyWrite, &key),
                  sdk::ErrorSuccess);
    }
    void TearDown() override { EXPECT_EQ(registry.CloseKey(key), sdk::ErrorSuccess); }

    FakeRegistry registry;
    RegKey key = nullptr;
};

TEST_F(FakeRegistryTest, EnumeratesIgnoringCaseUntilNoMoreItems) {
    EXPECT_EQ(registry.OverlayNames(), (std::vector<std::u16string>{u"  delta", u" Gamma", u"Alpha", u"beta"}));
    char16_t name[8];
    std::uint32_t length = 8;
    EXPECT_EQ(registry.EnumKey(key, 2, name, &length), sdk::ErrorSuccess);
    EXPECT_EQ(std::u16string(name, length), u"Alpha");
    length = 8;
    EXPECT_EQ(registry.EnumKey(key, 4, name, &length), sdk::ErrorNoMoreItems);
    length = 5;
    EXPECT_EQ(registry.EnumKey(key, 2, name, &length), sdk::ErrorMoreData);
}

TEST_F(FakeRegistryTest, RenameRefusesAMissingSourceAndAnyExistingTarget) {
    EXPECT_EQ(registry.RenameKey(key, u"Missing", u"New"), sdk::ErrorFileNotFound);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u"beta"), sdk::ErrorAccessDenied);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u"BETA"), sdk::ErrorAccessDenied);
    EXPECT_NE(registry.RenameKey(key, u"Alpha", std::u16string(256, u'L').c_str()), sdk::ErrorSuccess);
    EXPECT_EQ(registry.RenameKey(key, u"ALPHA", u" Alpha"), sdk::ErrorSuccess);
    EXPECT_EQ(registry.OverlayNames().at(1), u" Alpha");
}

TEST_F(FakeRegistryTest, DeleteRefusesAMissingKeyAndOneWithSubkeys) {
    registry.AddKey(std::u16string(OverlayIdentifiersPath) + u"\\Alpha\\Child");
    EXPECT_EQ(registry.DeleteKey(key, u"Missing"), sdk::ErrorFileNotFound);
    EXPECT_EQ(registry.DeleteKey(key, u"alpha"), sdk::ErrorAccessDenied);
    EXPECT_EQ(registry.DeleteKey(key, u"BETA"), sdk::ErrorSuccess);
    EXPECT_EQ(registry.OverlayNames().size(), 3u);
}

TEST_F(FakeRegistryTest, InjectedFaultsHitTheCallsAskedFor) {
    registry.FailCall(RegOp::Delete, 2, sdk::ErrorKeyDeleted);
    registry.FailCall(RegOp::Rename, 2, sdk::ErrorAccessDenied, 2);
    EXPECT_EQ(registry.DeleteKey(key, u"Alpha"), sdk::ErrorSuccess);
    EXPECT_EQ(registry.DeleteKey(key, u"beta"), sdk::ErrorKeyDeleted);
    EXPECT_EQ(registry.DeleteKey(key, u"beta"), sdk::ErrorSuccess);
    for (const long code : {sdk::ErrorFileNotFound, sdk::ErrorAccessDenied, sdk::ErrorAccessDenied, sdk::ErrorFileNotFound}) {
        EXPECT_EQ(registry.RenameKey(key, u"Missing", u"New"), code);
    }
}

TEST_F(FakeRegistryTest, AHandleToADeletedKeyReportsIt) {
    RegKey sub = nullptr;
    ASSERT_EQ(registry.OpenLocalMachineKey((std::u16string(OverlayIdentifiersPath) + u"\\Alpha").c_str(),
                                           sdk::KeyQueryValue, &sub),
              sdk::ErrorSuccess);
    ASSERT_EQ(registry.DeleteKey(key, u"Alpha"), sdk::ErrorSuccess);
    char16_t name[8];
    std::uint32_t length = 8;
    EXPECT_EQ(registry.EnumKey(sub, 0, name, &length), sdk::ErrorKeyDeleted);
    EXPECT_EQ(registry.CloseKey(sub), sdk::ErrorSuccess);
    EXPECT_EQ(registry.CloseKey(sub), sdk::ErrorInvalidHandle);
}

}  // namespace
}  // namespace tessary::tests
