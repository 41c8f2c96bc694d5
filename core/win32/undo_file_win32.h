// The undo file seam on kernel32's local time and file functions.
#pragma once

#include "core/undo.h"

namespace tessary {

class Win32UndoFiles final : public UndoFileApi {
public:
    LocalTime Now() override;
    Result CreateNew(std::u16string_view path, const std::vector<std::uint8_t>& bytes) override;
    void Remove(std::u16string_view path) override;
    bool Replace(std::u16string_view from, std::u16string_view to) override;
};

}  // namespace tessary
