// Reads the resources back from the built Tessary.exe, named on the command line.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "core/win32/wide.h"
#include "res/resource.h"
#include "ui/win32/texts.h"
#include "wine_path.h"

namespace tessary {
namespace {

std::wstring ExePath;

HMODULE Exe() {
    static const HMODULE module = LoadLibraryExW(ExePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

std::vector<std::uint8_t> Resource(LPCWSTR type, LPCWSTR name, WORD language) {
    const HRSRC found = FindResourceExW(Exe(), type, name, language);
    if (found == nullptr) return {};
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(Exe(), found)));
    return std::vector<std::uint8_t>(data, data + SizeofResource(Exe(), found));
}

// Reads a resource's fields in order.
class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& data) : bytes(data) {}
    template <typename T>
    T Next() {
        T value{};
        std::memcpy(&value, bytes.data() + at, sizeof value);
        at += sizeof value;
        return value;
    }
    // A string or an ordinal (0xFFFF then the ordinal), shown as "#n".
    std::u16string NameOrOrdinal() {
        if (Peek() == 0xFFFF) {
            Next<WORD>();
            std::u16string ordinal(1, u'#');
            ordinal += Number(Next<WORD>());
            return ordinal;
        }
        std::u16string text;
        while (const auto unit = Next<char16_t>()) text += unit;
        return text;
    }
    void AlignTo4() { at = (at + 3) & ~std::size_t{3}; }

private:
    WORD Peek() const { return static_cast<WORD>(bytes[at] | bytes[at + 1] << 8); }
    static std::u16string Number(unsigned n) {
        const std::string digits = std::to_string(n);
        return std::u16string(digits.begin(), digits.end());
    }
    const std::vector<std::uint8_t>& bytes;
    std::size_t at = 0;
};

struct Control {
    std::u16string text;
    int id;
    std::u16string kind;  // the window class, "#0x82"-style for predefined atoms
    DWORD style;
    short x, y, cx, cy;
    bool operator==(const Control&) const = default;
};

std::string Narrow(const std::u16string& text) {
    std::string out;
    for (const char16_t unit : text) out += unit < 0x80 ? static_cast<char>(unit) : '?';
    return out;
}

void PrintTo(const Control& c, std::ostream* os) {
    *os << "{" << Narrow(c.text) << ", " << c.id << ", " << Narrow(c.kind) << ", 0x" << std::hex << c.style << std::dec
        << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy << "}";
}

struct Template {
    DWORD style;
    short cx, cy;
    std::u16string caption, font;
    WORD pointSize, weight;
    BYTE italic, charset;
    std::vector<Control> controls;
};

Template ReadTemplate(int id) {
    const std::vector<std::uint8_t> bytes = Resource(RT_DIALOG, MAKEINTRESOURCEW(id), 0x0411);
    EXPECT_FALSE(bytes.empty()) << id;
    Reader r(bytes);
    Template t{};
    EXPECT_EQ(r.Next<WORD>(), 1);       // version
    EXPECT_EQ(r.Next<WORD>(), 0xFFFF);  // extended template
    EXPECT_EQ(r.Next<DWORD>(), 0u);     // help id
    EXPECT_EQ(r.Next<DWORD>(), 0u);     // extended style
    t.style = r.Next<DWORD>();
    const WORD count = r.Next<WORD>();
    EXPECT_EQ(r.Next<short>(), 0);
    EXPECT_EQ(r.Next<short>(), 0);
    t.cx = r.Next<short>();
    t.cy = r.Next<short>();
    EXPECT_EQ(r.NameOrOrdinal(), u"");  // no menu
    EXPECT_EQ(r.NameOrOrdinal(), u"");  // default class
    t.caption = r.NameOrOrdinal();
    t.pointSize = r.Next<WORD>();
    t.weight = r.Next<WORD>();
    t.italic = r.Next<BYTE>();
    t.charset = r.Next<BYTE>();
    t.font = r.NameOrOrdinal();
    for (WORD i = 0; i < count; ++i) {
        r.AlignTo4();
        EXPECT_EQ(r.Next<DWORD>(), 0u);  // help id
        EXPECT_EQ(r.Next<DWORD>(), 0u);  // extended style
        Control c{};
        c.style = r.Next<DWORD>();
        c.x = r.Next<short>();
        c.y = r.Next<short>();
        c.cx = r.Next<short>();
        c.cy = r.Next<short>();
        c.id = r.Next<int>();
        c.kind = r.NameOrOrdinal();
        c.text = r.NameOrOrdinal();
        EXPECT_EQ(r.Next<WORD>(), 0);  // no creation data
        t.controls.push_back(c);
    }
    return t;
}

constexpr DWORD Label = 0x50020000, List = 0x50810801, Picker = 0x50210003, Button = 0x50010000;

void ExpectTemplate(int id, const Template& expected) {
    const Template t = ReadTemplate(id);
    EXPECT_EQ(t.style, expected.style);
    EXPECT_EQ(t.cx, expected.cx);
    EXPECT_EQ(t.cy, expected.cy);
    EXPECT_EQ(t.caption, u"Tessary");
    EXPECT_EQ(t.font, expected.font);
    EXPECT_EQ(t.pointSize, expected.pointSize);
    EXPECT_EQ(t.weight, 400);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, expected.charset);
    ASSERT_EQ(t.controls.size(), expected.controls.size());
    for (std::size_t i = 0; i < t.controls.size(); ++i) EXPECT_EQ(t.controls[i], expected.controls[i]) << "control " << i;
}

TEST(Resources, JapaneseDialogTemplate) {
    ExpectTemplate(130, {0x80C800C0u, 411, 319, u"Tessary", u"Yu Gothic UI", 9, 400, 0, 128, {
        {u"\u73FE\u5728(&N)", -1, u"#130", Label, 7, 7, 122, 8},
        {u"", 1001, u"SysListView32", List, 7, 16, 150, 296},
        {u"\u7B2C\u4E00\u30B0\u30EB\u30FC\u30D7(&F)", -1, u"#130", Label, 166, 19, 77, 8},
        {u"", 1003, u"#133", Picker, 165, 29, 79, 30},
        {u"\u7B2C\u4E8C\u30B0\u30EB\u30FC\u30D7(&S)", -1, u"#130", Label, 166, 47, 76, 8},
        {u"", 1004, u"#133", Picker, 165, 56, 79, 30},
        {u"\uFF0D \u5909\u66F4(&C) \u2192", 1005, u"#128", Button, 175, 145, 60, 29},
        {u"\u7D42\u4E86(&X)", 1006, u"#128", Button, 175, 298, 60, 14},
        {u"\u5909\u66F4\u5F8C(&A)", -1, u"#130", Label, 254, 7, 126, 8},
        {u"", 1002, u"SysListView32", List, 254, 16, 150, 296},
    }});
}

TEST(Resources, EnglishDialogTemplate) {
    ExpectTemplate(150, {0x80C800C8u, 440, 319, u"Tessary", u"MS Shell Dlg", 8, 400, 0, 1, {
        {u"&Now", -1, u"#130", Label, 7, 7, 83, 8},
        {u"", 1001, u"SysListView32", List, 7, 17, 165, 295},
        {u"&First Group", -1, u"#130", Label, 181, 19, 68, 8},
        {u"", 1003, u"#133", Picker, 180, 29, 79, 30},
        {u"&Second Group", -1, u"#130", Label, 181, 53, 74, 8},
        {u"", 1004, u"#133", Picker, 180, 63, 79, 30},
        {u"-- &Change ->", 1005, u"#128", Button, 190, 145, 60, 28},
        {u"E&xit", 1006, u"#128", Button, 190, 298, 60, 14},
        {u"&After", -1, u"#130", Label, 268, 7, 88, 8},
        {u"", 1002, u"SysListView32", List, 268, 17, 165, 295},
    }});
}

TEST(Resources, StringTableHoldsBothLanguagesAndNothingElse) {
    const std::map<int, std::u16string> expected = {
        {103, u"Tessary"},
        {123, u"Tessary"},
        {200, u"\u540D\u524D"},
        {201, u"\u72B6\u614B"},
        {202, u"\u52D5\u4F5C"},
        {203, u"\u30EC\u30B8\u30B9\u30C8\u30EA\u306E\u5909\u66F4\u3092\u5B9F\u65BD\u3057\u307E\u3059\u304B\uFF1F"},
        {204, u"\u30EC\u30B8\u30B9\u30C8\u30EA\u306E\u5909\u66F4\u306B\u6210\u529F\u3057\u307E\u3057\u305F\u3002\n"
              u"\u30B5\u30A4\u30F3\u30A2\u30A6\u30C8\u3057\u307E\u3059\u304B\uFF1F"},
        {205, u"\u30EC\u30B8\u30B9\u30C8\u30EA\u306E\u5909\u66F4\u306B\u5931\u6557\u3057\u307E\u3057\u305F\u3002"},
        {206, u"\u91CD\u8907"},
        {207, u"\u524A\u9664"},
        {208, u"\u540D\u524D\u5909\u66F4"},
        {220, u"Name"},
        {221, u"Status"},
        {222, u"Action"},
        {223, u"Do you want to make registry changes?"},
        {224, u"Registry changes were successful.\nDo you want to sign out?"},
        {225, u"Registry changes failed."},
        {226, u"Duplicate"},
        {227, u"Delete"},
        {228, u"Rename"},
    };
    for (int id = 0; id < 1100; ++id) {
        wchar_t buffer[260] = {};
        const int length = LoadStringW(Exe(), static_cast<UINT>(id), buffer, 260);
        const auto text = expected.find(id);
        if (text == expected.end()) {
            EXPECT_EQ(length, 0) << "unexpected string " << id;
        } else {
            EXPECT_EQ(FromWide(buffer), text->second) << id;
        }
    }
    // Every Japanese text has its English counterpart 20 ids on.
    for (const auto& [id, text] : expected) {
        if (id >= 200 && id < 220) {
            EXPECT_TRUE(expected.count(id + 20)) << id;
        }
    }
}

TEST(Resources, LoadTextFollowsTheLanguageOffset) {
    AppInstance = Exe();
    LanguageOffset = 0;
    EXPECT_EQ(LoadText(IDS_STATUS_DUPLICATE), u"\u91CD\u8907");
    LanguageOffset = 20;
    EXPECT_EQ(LoadText(IDS_STATUS_DUPLICATE), u"Duplicate");
    EXPECT_EQ(LoadText(IDS_STATUS_DELETE), u"Delete");
    EXPECT_EQ(LoadText(209), u"") << "an id the table does not hold";
    EXPECT_EQ(LoadText(5000), u"");
}

TEST(Resources, IconGroupHoldsThreeUncompressed32BitImages) {
    const std::vector<std::uint8_t> group = Resource(RT_GROUP_ICON, MAKEINTRESOURCEW(IDI_APP), 0x0411);
    ASSERT_EQ(group.size(), 6u + 3 * 14);
    Reader r(group);
    EXPECT_EQ(r.Next<WORD>(), 0);
    EXPECT_EQ(r.Next<WORD>(), 1);
    ASSERT_EQ(r.Next<WORD>(), 3);
    const int sizes[] = {48, 16, 32};
    const DWORD bytes[] = {9640, 1128, 4264};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(r.Next<BYTE>(), sizes[i]);
        EXPECT_EQ(r.Next<BYTE>(), sizes[i]);
        EXPECT_EQ(r.Next<BYTE>(), 0);  // colours
        r.Next<BYTE>();
        EXPECT_EQ(r.Next<WORD>(), 1);   // planes
        EXPECT_EQ(r.Next<WORD>(), 32);  // bits
        EXPECT_EQ(r.Next<DWORD>(), bytes[i]);
        const WORD id = r.Next<WORD>();
        EXPECT_EQ(id, i + 1);

        const std::vector<std::uint8_t> image = Resource(RT_ICON, MAKEINTRESOURCEW(id), 0x0411);
        ASSERT_EQ(image.size(), bytes[i]);
        BITMAPINFOHEADER header{};
        std::memcpy(&header, image.data(), sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, sizes[i]);
        EXPECT_EQ(header.biHeight, 2 * sizes[i]);
        EXPECT_EQ(header.biBitCount, 32);
        EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
        // A real alpha channel: edges are partly transparent.
        bool partial = false;
        for (int p = 0; p < sizes[i] * sizes[i]; ++p) {
            const std::uint8_t alpha = image[40 + 4 * p + 3];
            partial = partial || (alpha != 0 && alpha != 255);
        }
        EXPECT_TRUE(partial) << sizes[i];
    }
}

TEST(Resources, VersionBlock) {
    const std::vector<std::uint8_t> version = Resource(RT_VERSION, MAKEINTRESOURCEW(1), 0x0411);
    ASSERT_FALSE(version.empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwStrucVersion, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x00040004u);
    EXPECT_EQ(fixed->dwFileType, 1u);
    EXPECT_EQ(fixed->dwFileSubtype, 0u);
    EXPECT_EQ(fixed->dwFileDateMS | fixed->dwFileDateLS, 0u);
    for (const auto& [field, value] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"FileDescription", L"Tessary"},
             {L"FileVersion", L"1.0.0.1"},
             {L"InternalName", L"Tessary.exe"},
             {L"OriginalFilename", L"Tessary.exe"},
             {L"ProductName", L"Tessary"},
             {L"ProductVersion", L"1.0.0.1"}}) {
        wchar_t* text = nullptr;
        const std::wstring query = L"\\StringFileInfo\\041104b0\\" + field;
        ASSERT_TRUE(VerQueryValueW(version.data(), query.c_str(), reinterpret_cast<void**>(&text), &length)) << field.size();
        EXPECT_EQ(std::wstring(text), value);
    }
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    EXPECT_EQ(translation[0], 0x0411);
    EXPECT_EQ(translation[1], 0x04B0);
}

TEST(Resources, ManifestAsksForAdministratorAndCommonControls6) {
    const std::vector<std::uint8_t> bytes = Resource(RT_MANIFEST, MAKEINTRESOURCEW(1), 0x0409);
    const std::string manifest(bytes.begin(), bytes.end());
    EXPECT_EQ(manifest.find("<?xml"), std::string::npos);
    for (const char* part : {"manifestVersion=\"1.0\"", "name=\"Microsoft.Windows.Common-Controls\"",
                             "version=\"6.0.0.0\"", "processorArchitecture=\"amd64\"",
                             "publicKeyToken=\"6595b64144ccf1df\"", "language=\"*\"",
                             "level=\"requireAdministrator\"", "uiAccess=\"false\"",
                             "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">false</dpiAware>",
                             "<gdiScaling xmlns=\"http://schemas.microsoft.com/SMI/2017/WindowsSettings\">true</gdiScaling>"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    EXPECT_EQ(manifest.find("compatibility"), std::string::npos);
}

TEST(Resources, OnlyTheExpectedKindsOfResource) {
    std::vector<std::wstring> types;
    EnumResourceTypesW(
        Exe(),
        [](HMODULE, LPWSTR type, LONG_PTR found) -> BOOL {
            reinterpret_cast<std::vector<std::wstring>*>(found)->push_back(
                IS_INTRESOURCE(type) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(type)) : std::wstring(type));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&types));
    // icon, dialog, string, group icon, version, manifest
    EXPECT_EQ(types, (std::vector<std::wstring>{L"3", L"5", L"6", L"14", L"16", L"24"}));
}

// The PE headers and imports, read from the file: an elevated program must load
// DLLs only from System32 and keep ASLR and DEP; the build stamps no time.
TEST(Executable, LoadsDllsFromSystem32OnlyAndKeepsAslrAndDep) {
    std::ifstream in(std::filesystem::path(ExePath), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto at = [&](std::size_t position, auto value) {
        if (position + sizeof value <= bytes.size()) std::memcpy(&value, bytes.data() + position, sizeof value);
        return value;
    };
    const auto dos = at(0, IMAGE_DOS_HEADER{});
    const auto nt = at(static_cast<std::size_t>(dos.e_lfanew), IMAGE_NT_HEADERS64{});
    ASSERT_EQ(nt.Signature, static_cast<DWORD>(IMAGE_NT_SIGNATURE));
    const WORD hardening = IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE | IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA |
                           IMAGE_DLLCHARACTERISTICS_NX_COMPAT;
    EXPECT_EQ(nt.OptionalHeader.DllCharacteristics & hardening, hardening);
#ifndef _MSC_VER
    // mingw-w64 links without a time stamp; MSVC's /Brepro puts a hash of the contents there.
    EXPECT_EQ(nt.FileHeader.TimeDateStamp, 0u);
#endif

    const std::size_t sections = static_cast<std::size_t>(dos.e_lfanew) + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                                 nt.FileHeader.SizeOfOptionalHeader;
    const auto offset = [&](DWORD rva) -> std::size_t {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            const auto section = at(sections + i * sizeof(IMAGE_SECTION_HEADER), IMAGE_SECTION_HEADER{});
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData) {
                return section.PointerToRawData + (rva - section.VirtualAddress);
            }
        }
        return bytes.size();
    };
    const auto text = [&](std::size_t position) { return position < bytes.size() ? std::string(bytes.data() + position) : ""; };
    std::set<std::string> imports;
    const DWORD directory = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (std::size_t d = offset(directory);; d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto dll = at(d, IMAGE_IMPORT_DESCRIPTOR{});
        if (dll.Name == 0) break;
        for (std::size_t t = offset(dll.OriginalFirstThunk);; t += sizeof(ULONGLONG)) {
            const auto thunk = at(t, ULONGLONG{});
            if (thunk == 0) break;
            if ((thunk & IMAGE_ORDINAL_FLAG64) == 0) imports.insert(text(offset(dll.Name)) + "!" + text(offset(static_cast<DWORD>(thunk)) + 2));
        }
    }
    EXPECT_EQ(imports.count("KERNEL32.dll!SetDefaultDllDirectories"), 1u) << imports.size() << " imports";
}

}  // namespace
}  // namespace tessary

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s Tessary.exe\n", argv[0]);
        return 2;
    }
    const std::string path = argv[1];
    tessary::ExePath = WindowsPath(std::wstring(path.begin(), path.end()));
    return RUN_ALL_TESTS();
}
