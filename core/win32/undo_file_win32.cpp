#include "core/win32/undo_file_win32.h"

#include <windows.h>

#include "core/win32/file_handle.h"
#include "core/win32/wide.h"

namespace tessary {

LocalTime Win32UndoFiles::Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

UndoFileApi::Result Win32UndoFiles::CreateNew(std::u16string_view path, const std::vector<std::uint8_t>& bytes) {
    const std::u16string name(path);
    // CREATE_NEW: an elevated program never writes through a file or link that
    // someone else put there.
    const HANDLE raw =
        CreateFileW(Wide(name), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (raw == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Result::Exists : Result::Failed;
    }
    bool whole = bytes.size() <= MAXDWORD;
    {
        const FileHandle file(raw);
        DWORD written = 0;
        whole = whole && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                written == bytes.size() && FlushFileBuffers(file.get());
    }
    if (whole) return Result::Written;
    DeleteFileW(Wide(name));
    return Result::Failed;
}

void Win32UndoFiles::Remove(std::u16string_view path) { DeleteFileW(Wide(std::u16string(path))); }

bool Win32UndoFiles::Replace(std::u16string_view from, std::u16string_view to) {
    return MoveFileExW(Wide(std::u16string(from)), Wide(std::u16string(to)),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace tessary
