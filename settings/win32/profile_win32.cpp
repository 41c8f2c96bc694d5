#include "settings/win32/profile_win32.h"

#include <windows.h>

#include "core/win32/file_handle.h"
#include "core/win32/wide.h"

namespace tessary {
namespace {

constexpr DWORD ProfileBufferLength = 260;

}  // namespace

std::optional<std::u16string> Win32Profile::CurrentDirectory() {
    // The directory may change between asking for its length and reading it.
    for (DWORD capacity = GetCurrentDirectoryW(0, nullptr); capacity != 0;) {
        std::u16string directory(capacity, u'\0');
        const DWORD length = GetCurrentDirectoryW(capacity, Wide(directory.data()));
        if (length == 0) break;
        if (length < capacity) {
            directory.resize(length);
            return directory;
        }
        capacity = length;
    }
    return std::nullopt;
}

std::u16string Win32Profile::ReadString(std::u16string_view section, std::u16string_view key,
                                        std::u16string_view defaultValue, std::u16string_view path) {
    wchar_t buffer[ProfileBufferLength] = {};
    GetPrivateProfileStringW(Wide(std::u16string(section)), Wide(std::u16string(key)),
                             Wide(std::u16string(defaultValue)), buffer, ProfileBufferLength,
                             Wide(std::u16string(path)));
    return FromWide(buffer);
}

void Win32Profile::WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                               std::u16string_view path) {
    WritePrivateProfileStringW(Wide(std::u16string(section)), Wide(std::u16string(key)), Wide(std::u16string(value)),
                               Wide(std::u16string(path)));
}

void Win32Profile::CreateUnicodeFileIfMissing(std::u16string_view path) {
    // CREATE_NEW: an existing file, whatever its encoding, is left alone.
    const HANDLE raw = CreateFileW(Wide(std::u16string(path)), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) return;
    const FileHandle file(raw);
    const unsigned char byteOrderMark[] = {0xFF, 0xFE};
    DWORD written = 0;
    WriteFile(file.get(), byteOrderMark, sizeof byteOrderMark, &written, nullptr);
}

}  // namespace tessary
