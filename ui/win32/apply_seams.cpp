#include "ui/win32/apply_seams.h"

#include <string>

#include "core/win32/wide.h"
#include "res/resource.h"
#include "ui/win32/texts.h"

namespace tessary {

int Win32MessageBox::ShowMessage(int textId, unsigned type) {
    const std::u16string caption = LoadText(IDS_APP_NAME);
    const std::u16string text = LoadText(textId);
    return MessageBoxW(owner, Wide(text), Wide(caption), type);
}

void Win32SignOut::RequestSignOut() { ExitWindowsEx(0, 0); }

}  // namespace tessary
