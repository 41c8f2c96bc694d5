// Program entry: the language, then the dialog. The exit code is always 0.
#include <windows.h>
#include <commctrl.h>

#include "ui/win32/main_dialog.h"
#include "ui/win32/texts.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // An elevated program may be started from a folder anyone can write to, such
    // as Downloads: DLLs loaded from now on come from System32 only, never from
    // beside the executable.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // The list view class comes from comctl32, which real Windows does not load
    // on its own for a dialog template.
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&classes);

    tessary::InitLanguage(instance);
    tessary::RunMainDialog();
    return 0;
}
