#include "ui/win32/texts.h"

#include <string>

#include "core/win32/wide.h"
#include "ui/language.h"

namespace tessary {

HINSTANCE AppInstance = nullptr;
int LanguageOffset = 0;

void InitLanguage(HINSTANCE instance) {
    AppInstance = instance;
    LanguageOffset = LanguageOffsetFor(GetUserDefaultUILanguage());
}

std::u16string LoadText(int textId) {
    wchar_t buffer[260] = {};
    if (LoadStringW(AppInstance, static_cast<UINT>(textId + LanguageOffset), buffer, 260) <= 0) return {};
    return FromWide(buffer);
}

}  // namespace tessary
