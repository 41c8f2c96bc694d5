// The profile file seam on the real kernel32 functions.
#pragma once

#include "settings/settings.h"

namespace tessary {

class Win32Profile final : public ProfileApi {
public:
    std::optional<std::u16string> CurrentDirectory() override;
    std::u16string ReadString(std::u16string_view section, std::u16string_view key, std::u16string_view defaultValue,
                              std::u16string_view path) override;
    void WriteString(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                     std::u16string_view path) override;
    void CreateUnicodeFileIfMissing(std::u16string_view path) override;
};

}  // namespace tessary
