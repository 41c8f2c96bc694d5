// The interface language and the two ways to the string table.
#pragma once

#include <windows.h>

#include <string>

#include "core/apply.h"

namespace tessary {

extern HINSTANCE AppInstance;
extern int LanguageOffset;

// Stores the module and picks Japanese or English from the user's interface language.
void InitLanguage(HINSTANCE instance);

// The text of string N + LanguageOffset; the empty text for an id the table does not hold.
std::u16string LoadText(int textId);

// A modal message box owned by the dialog, captioned with the program's name.
class Win32MessageBox final : public MessageBoxApi {
public:
    HWND owner = nullptr;
    int ShowMessage(int textId, unsigned type) override;
};

class Win32SignOut final : public SignOutApi {
public:
    void RequestSignOut() override;
};

}  // namespace tessary
