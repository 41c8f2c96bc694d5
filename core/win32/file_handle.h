// A file handle that closes itself.
#pragma once

#include <windows.h>

#include <memory>

namespace tessary {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

}  // namespace tessary
