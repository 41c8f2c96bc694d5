// The Win32 seams against Wine's real registry and profile functions.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/catalogue.h"
#include "core/win32/registry_win32.h"
#include "core/win32/undo_file_win32.h"
#include "core/win32/wide.h"
#include "settings/win32/profile_win32.h"
#include "ui/win32/texts.h"

namespace tessary {
namespace {

constexpr char16_t TestRoot[] = u"SOFTWARE\\TessaryTests";

// The real registry, where every key opens, keeping the REG_SZ data of each
// value read as it was returned.
class KeepsStrings : public RegistryApi {
public:
    long OpenLocalMachineKey(const char16_t* path, std::uint32_t access, RegKey* key) override {
        const long status = real.OpenLocalMachineKey(path, access, key);
        EXPECT_EQ(status, ERROR_SUCCESS);
        return status;
    }
    long EnumKey(RegKey key, std::uint32_t index, char16_t* name, std::uint32_t* length) override { return real.EnumKey(key, index, name, length); }
    long EnumValue(RegKey key, std::uint32_t index, char16_t* valueName, std::uint32_t* valueNameLength,
                   std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataLength) override {
        const long status = real.EnumValue(key, index, valueName, valueNameLength, type, data, dataLength);
        if (status == ERROR_SUCCESS && *type == REG_SZ) strings.emplace_back(reinterpret_cast<const char16_t*>(data), *dataLength / 2);
        return status;
    }
    long CloseKey(RegKey key) override { return real.CloseKey(key); }
    long RenameKey(RegKey key, const char16_t* from, const char16_t* to) override { return real.RenameKey(key, from, to); }
    long DeleteKey(RegKey key, const char16_t* name) override { return real.DeleteKey(key, name); }

    Win32Registry real;
    std::vector<std::u16string> strings;
};

// A scratch key under HKLM with a few subkeys, removed afterwards.
class Win32RegistryTest : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(TestRoot));
        for (const char16_t* name : {u"Alpha", u"  Beta", u"Gamma"}) Create(name);
        ASSERT_EQ(registry.OpenLocalMachineKey(TestRoot, KEY_READ | KEY_WRITE, &key), ERROR_SUCCESS);
    }
    void TearDown() override {
        EXPECT_EQ(registry.CloseKey(key), ERROR_SUCCESS);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, Wide(TestRoot));
    }
    static HKEY Create(std::u16string_view name) {
        const std::u16string path = std::u16string(TestRoot) + u"\\" + std::u16string(name);
        HKEY created = nullptr;
        EXPECT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, Wide(path), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created,
                                  nullptr),
                  ERROR_SUCCESS);
        return created;
    }
    static void SetValue(std::u16string_view name, const wchar_t* valueName, DWORD type, const void* data,
                         DWORD size) {
        const HKEY subkey = Create(name);
        RegSetValueExW(subkey, valueName, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(subkey);
    }
    std::vector<std::u16string> Names() {
        std::vector<std::u16string> names;
        for (std::uint32_t index = 0;; ++index) {
            char16_t name[260];
            std::uint32_t length = 260;
            if (registry.EnumKey(key, index, name, &length) != ERROR_SUCCESS) break;
            names.emplace_back(name, length);
        }
        return names;
    }

    Win32Registry registry;
    RegKey key = nullptr;
};

TEST_F(Win32RegistryTest, EnumeratesWithLeadingBlanksFirst) {
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u"  Beta", u"Alpha", u"Gamma"}));
    char16_t name[4];
    std::uint32_t length = 4;
    EXPECT_EQ(registry.EnumKey(key, 1, name, &length), ERROR_MORE_DATA);
    length = 4;
    EXPECT_EQ(registry.EnumKey(key, 3, name, &length), ERROR_NO_MORE_ITEMS);
}

TEST_F(Win32RegistryTest, RenameAndDeleteGiveTheRealFailureCodes) {
    EXPECT_EQ(registry.RenameKey(key, u"Missing", u"New"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u"Gamma"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u"gamma"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.RenameKey(key, u"Alpha", u" Alpha"), ERROR_SUCCESS);

    RegCloseKey(Create(u"Gamma\\Child"));
    EXPECT_EQ(registry.DeleteKey(key, u"Gamma"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(registry.DeleteKey(key, u"Missing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(registry.DeleteKey(key, u"  Beta"), ERROR_SUCCESS);
    EXPECT_EQ(Names(), (std::vector<std::u16string>{u" Alpha", u"Gamma"}));
}

TEST_F(Win32RegistryTest, ReadsNamesOf255CharactersAndTheFirstValueOfEachType) {
    const std::u16string longest = u"  " + std::u16string(253, u'L');
    const wchar_t clsid[] = L"{0AA1-Long}";
    SetValue(longest, L"", REG_SZ, clsid, sizeof clsid);
    const DWORD number = 1;
    SetValue(u"Dword", L"", REG_DWORD, &number, sizeof number);
    const wchar_t expand[] = L"%SystemRoot%";
    SetValue(u"Expand", L"Path", REG_EXPAND_SZ, expand, sizeof expand);
    const wchar_t named[] = L"{Named}";
    SetValue(u"Named", L"Some value", REG_SZ, named, sizeof named);
    // Followed by a unit that is not NUL: RegSetValueExW reads the unit after
    // the data, and counts a NUL there as a terminator the caller left out.
    const wchar_t bare[] = {L'{', L'U', L'}', L'x'};
    SetValue(u"Unterminated", L"", REG_SZ, bare, 3 * sizeof(wchar_t));
    SetValue(u"Zero", L"", REG_SZ, bare, 0);

    // The program's scan over the scratch key; the data as the registry gives it too.
    KeepsStrings scanned;
    OverlayList list;
    ReadOverlayIdentifiers(scanned, list, TestRoot);
    ASSERT_EQ(list.size(), 4u);
    ASSERT_EQ(scanned.strings.size(), 4u);
    EXPECT_EQ(list[0].keyName, longest);
    EXPECT_EQ(scanned.strings[0], std::u16string(u"{0AA1-Long}\0", 12));
    EXPECT_EQ(scanned.strings[1], std::u16string(u"{Named}\0", 8));
    EXPECT_EQ(scanned.strings[2], u"{U}");
    EXPECT_EQ(scanned.strings[3], u"");
    std::vector<std::u16string> clsids;
    for (const OverlayEntry& entry : list) clsids.push_back(entry.handlerClsid);
    EXPECT_EQ(clsids, (std::vector<std::u16string>{u"{0AA1-Long}", u"{Named}", u"{U}", u""}));
}

// A directory of the test's own, removed afterwards.
class Win32DirectoryTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        directory = std::filesystem::path(temp) / L"tessary-seams-test";
        std::filesystem::remove_all(directory);
        std::filesystem::create_directories(directory);
    }
    void TearDown() override { std::filesystem::remove_all(directory); }

    std::filesystem::path directory;
};

// The profile functions on Tessary.ini in that directory.
class Win32ProfileTest : public Win32DirectoryTest {
protected:
    void SetUp() override {
        Win32DirectoryTest::SetUp();
        path = (directory / L"Tessary.ini").u16string();
    }

    std::string Bytes() {
        std::ifstream file(directory / L"Tessary.ini", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    Win32Profile profile;
    std::u16string path;
};

TEST_F(Win32ProfileTest, ReadsTheCurrentDirectory) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(directory);
    const std::optional<std::u16string> current = profile.CurrentDirectory();
    std::filesystem::current_path(before);
    ASSERT_TRUE(current.has_value());
    EXPECT_EQ(std::filesystem::path(*current), directory);
}

TEST_F(Win32ProfileTest, TrimsUnquotesAndDefaultsLikeThePlatform) {
    EXPECT_EQ(profile.ReadString(u"GROUP", u"NAME1", u"Tortoise", path), u"Tortoise");
    EXPECT_FALSE(std::filesystem::exists(directory / L"Tessary.ini")) << "reading creates nothing";
    profile.WriteString(u"GROUP", u"NAME1", u"  Padded  ", path);
    profile.WriteString(u"GROUP", u"NAME2", u"'Single'", path);
    EXPECT_EQ(profile.ReadString(u"GROUP", u"NAME1", u"", path), u"Padded");
    EXPECT_EQ(profile.ReadString(u"GROUP", u"NAME2", u"", path), u"Single");
    profile.WriteString(u"GROUP", u"NAME2", std::u16string(300, u'x'), path);
    EXPECT_EQ(profile.ReadString(u"GROUP", u"NAME2", u"", path), std::u16string(259, u'x'));
}

TEST_F(Win32ProfileTest, SettingsRoundTripThroughTheRealProfileFunctions) {
    for (const std::u16string name : {u"Acme Sync ", u"\"Quoted\"", u"ドライブ同期", u"\tTabbed", u""}) {
        std::filesystem::remove(directory / L"Tessary.ini");
        const std::filesystem::path before = std::filesystem::current_path();
        std::filesystem::current_path(directory);
        SettingsState settings;
        GroupSelection selection;
        ReadSettings(profile, settings, selection);
        std::filesystem::current_path(before);

        selection.FirstGroup = name;
        selection.SecondGroup = name + u"2";
        WriteSettings(profile, settings, selection);

        SettingsState again;
        GroupSelection read;
        std::filesystem::current_path(directory);
        ReadSettings(profile, again, read);
        std::filesystem::current_path(before);
        EXPECT_EQ(read.FirstGroup, name);
        EXPECT_EQ(read.SecondGroup, name + u"2");
        EXPECT_EQ(Bytes().substr(0, 2), "\xFF\xFE") << "created as UTF-16";
    }
}

TEST_F(Win32ProfileTest, AnExistingFileKeepsItsEncoding) {
    { std::ofstream(directory / L"Tessary.ini", std::ios::binary) << "[GROUP]\r\nNAME1=Tortoise\r\n"; }
    profile.CreateUnicodeFileIfMissing(path);
    profile.WriteString(u"GROUP", u"NAME2", u"CloudSync", path);
    EXPECT_EQ(Bytes().substr(0, 7), "[GROUP]");
    EXPECT_EQ(profile.ReadString(u"GROUP", u"NAME1", u"", path), u"Tortoise");
    EXPECT_EQ(profile.ReadString(u"GROUP", u"NAME2", u"", path), u"CloudSync");
}

// The undo file beside Tessary.ini: a name that is taken is never written through.
class Win32UndoFilesTest : public Win32DirectoryTest {
protected:
    Win32UndoFiles files;
};

TEST_F(Win32UndoFilesTest, UndoFilesAreOnlyEverCreatedNew) {
    const std::u16string file = (directory / L"undo.reg").u16string();
    EXPECT_EQ(files.CreateNew(file, {0xFF, 0xFE, 'A', 0}), UndoFileApi::Result::Written);
    EXPECT_EQ(files.CreateNew(file, {'B'}), UndoFileApi::Result::Exists);
    EXPECT_EQ(std::filesystem::file_size(directory / L"undo.reg"), 4u);
    EXPECT_EQ(files.CreateNew((directory / L"missing" / L"undo.reg").u16string(), {'C'}), UndoFileApi::Result::Failed);
    const std::u16string aside = (directory / L"undo.tmp").u16string();
    EXPECT_EQ(files.CreateNew(aside, {'D'}), UndoFileApi::Result::Written);
    EXPECT_TRUE(files.Replace(aside, file)) << "a file written aside replaces it whole";
    EXPECT_EQ(std::filesystem::file_size(directory / L"undo.reg"), 1u);
    files.Remove(file);
    EXPECT_FALSE(std::filesystem::exists(directory / L"undo.reg"));
}

}  // namespace
}  // namespace tessary
