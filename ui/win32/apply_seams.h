// What applying the plan asks of Windows besides the registry: the message box
// and the sign-out request.
#pragma once

#include <windows.h>

#include "core/apply.h"

namespace tessary {

// A modal message box owned by the dialog, captioned with the program's name,
// its text from the string table in the interface language.
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
