#include "ui/win32/texts.h"

#include "core/win32/wide.h"
#include "res/resource.h"
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

int Win32MessageBox::ShowMessage(int textId, unsigned type) {
    const std::u16string caption = LoadText(IDS_APP_NAME);
    const std::u16string text = LoadText(textId);
    return MessageBoxW(owner, Wide(text), Wide(caption), type);
}

void Win32SignOut::RequestSignOut() { ExitWindowsEx(0, 0); }

}  // namespace tessary
