// The Windows programs run under Wine are given the host's paths; Wine maps the
// host's root to drive Z:.
#pragma once

#include <algorithm>
#include <string>

inline std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') path.insert(0, L"Z:");
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}
