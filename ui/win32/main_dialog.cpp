#include "ui/win32/main_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include "core/win32/registry_win32.h"
#include "core/win32/undo_file_win32.h"
#include "core/win32/wide.h"
#include "res/resource.h"
#include "settings/win32/profile_win32.h"
#include "ui/language.h"
#include "ui/main_model.h"
#include "ui/placement.h"
#include "ui/win32/apply_seams.h"
#include "ui/win32/texts.h"

namespace tessary {
namespace {

// The dialog's model and message boxes, for the one dialog of the run.
MainModel* Model = nullptr;
Win32MessageBox* Messages = nullptr;
HWND NowView = nullptr;
HWND AfterView = nullptr;

void CenterOnWorkArea(HWND window) {
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT frame{};
    GetWindowRect(window, &frame);
    const ScreenPoint at = CenteredPosition({workArea.left, workArea.top, workArea.right, workArea.bottom},
                                            {frame.left, frame.top, frame.right, frame.bottom});
    MoveWindow(window, at.x, at.y, frame.right - frame.left, frame.bottom - frame.top, TRUE);
}

void InsertColumn(HWND view, int index, int width, const std::u16string& heading) {
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = const_cast<wchar_t*>(Wide(heading));
    column.iSubItem = index;
    SendMessageW(view, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&column));
}

HWND SetUpOverlayView(HWND dialog, int id, int statusHeading) {
    const HWND view = GetDlgItem(dialog, id);
    if (view == nullptr) return nullptr;
    SendMessageW(view, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
    RECT client{};
    GetClientRect(view, &client);
    const int usable = client.right - 2 * GetSystemMetrics(SM_CXEDGE) - GetSystemMetrics(SM_CXVSCROLL);
    const int unit = static_cast<int>(usable / 14.0);
    InsertColumn(view, 0, unit, u"");
    InsertColumn(view, 1, 8 * unit, LoadText(IDS_COLUMN_NAME));
    InsertColumn(view, 2, 5 * unit, LoadText(statusHeading));
    return view;
}

void SetUpOverlayViews(HWND dialog) {
    NowView = SetUpOverlayView(dialog, IDC_NOW_LIST, IDS_COLUMN_STATUS);
    AfterView = SetUpOverlayView(dialog, IDC_AFTER_LIST, IDS_COLUMN_ACTION);
}

void SetCell(HWND view, int row, int column, const std::u16string& text, UINT message) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(Wide(text));
    SendMessageW(view, message, 0, reinterpret_cast<LPARAM>(&item));
}

void AddOverlayRow(HWND view, const OverlayRow& row) {
    const int index = static_cast<int>(SendMessageW(view, LVM_GETITEMCOUNT, 0, 0));
    SetCell(view, index, 0, row.marker, LVM_INSERTITEMW);
    SetCell(view, index, 1, row.name, LVM_SETITEMW);
    SetCell(view, index, 2, row.status, LVM_SETITEMW);
}

void ShowRows(HWND view, const std::vector<OverlayRow>& rows) {
    // InvalidateRect of no window would repaint the whole desktop.
    if (view == nullptr) return;
    // One repaint for the whole list instead of one per cell.
    SendMessageW(view, WM_SETREDRAW, FALSE, 0);
    SendMessageW(view, LVM_DELETEALLITEMS, 0, 0);
    for (const OverlayRow& row : rows) AddOverlayRow(view, row);
    SendMessageW(view, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(view, nullptr, TRUE);
}

void ShowPicker(HWND dialog, int id, const PickerContent& picker, bool refill) {
    const HWND combo = GetDlgItem(dialog, id);
    if (combo == nullptr) return;
    if (refill) SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const std::u16string& item : picker.items) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(picker.selected), 0);
}

// Posted on activation, so that it arrives after the dialog manager has given
// the focus back to the control that had it.
constexpr UINT WM_AFTER_ACTIVATION = WM_APP + 1;

void UpdateChangeButton(HWND dialog) {
    const HWND change = GetDlgItem(dialog, IDC_CHANGE);
    if (change == nullptr) return;
    const bool enabled = Model->ChangeEnabled();
    // A disabled window cannot keep the focus, and with none focused Tab, Enter
    // and Escape do nothing: hand the focus on first.
    if (!enabled && GetFocus() == change) SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
    EnableWindow(change, enabled);
}

// Change may have gone off while the dialog was inactive (a picker turned by
// the mouse wheel), when the dialog manager had saved it as the control to
// focus again; it cannot take the focus back, and the keyboard would be dead.
void MoveFocusOffDisabledChange(HWND dialog) {
    const HWND change = GetDlgItem(dialog, IDC_CHANGE);
    if (change == nullptr || IsWindowEnabled(change) || GetActiveWindow() != dialog) return;
    const HWND focus = GetFocus();
    if (focus == nullptr || focus == change) SendMessageW(dialog, WM_NEXTDLGCTL, 0, FALSE);
}

void FillAfterView(HWND dialog) {
    ShowRows(AfterView, Model->AfterViewRows(LoadText));
    UpdateChangeButton(dialog);
}

void InitMainDialog(HWND dialog) {
    const HICON icon = LoadIconW(AppInstance, MAKEINTRESOURCEW(IDI_APP));
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    CenterOnWorkArea(dialog);
    SetUpOverlayViews(dialog);
    Messages->owner = dialog;

    Model->Initialise();
    ShowPicker(dialog, IDC_FIRST_GROUP, Model->FirstGroupPicker(), false);
    ShowPicker(dialog, IDC_SECOND_GROUP, Model->SecondGroupPicker(), true);
    ShowRows(NowView, Model->NowViewRows(LoadText));
    FillAfterView(dialog);
}

void OnPickerChanged(HWND dialog, int id) {
    const HWND combo = GetDlgItem(dialog, id);
    if (combo == nullptr) return;
    const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return;
    wchar_t text[260] = {};
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(text));
    if (id == IDC_FIRST_GROUP) {
        Model->SelectFirstGroup(FromWide(text));
        ShowPicker(dialog, IDC_SECOND_GROUP, Model->SecondGroupPicker(), true);
    } else {
        Model->SelectSecondGroup(FromWide(text));
    }
    FillAfterView(dialog);
}

void OnCommand(HWND dialog, WORD id, WORD notification) {
    switch (id) {
    case IDOK:
        EndDialog(dialog, IDOK);
        break;
    case IDCANCEL:
    case IDC_EXIT:
        EndDialog(dialog, IDCANCEL);
        break;
    case IDC_FIRST_GROUP:
    case IDC_SECOND_GROUP:
        if (notification == CBN_SELCHANGE) OnPickerChanged(dialog, id);
        break;
    case IDC_CHANGE:
        Model->ApplyChanges();
        // A walk that changed the registry leaves nothing to apply.
        UpdateChangeButton(dialog);
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        InitMainDialog(dialog);
        break;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) PostMessageW(dialog, WM_AFTER_ACTIVATION, 0, 0);
        break;
    case WM_AFTER_ACTIVATION:
        MoveFocusOffDisabledChange(dialog);
        break;
    case WM_DESTROY:
        Model->Close();
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace

void RunMainDialog() {
    Win32Registry registry;
    Win32Profile profile;
    Win32MessageBox messages;
    Win32SignOut signOut;
    Win32UndoFiles files;
    const UndoLanguage language = LanguageOffset == JapaneseOffset ? UndoLanguage::Japanese : UndoLanguage::English;
    MainModel model(Platform{registry, profile, messages, signOut, files, language});
    Model = &model;
    Messages = &messages;
    DialogBoxParamW(nullptr, MAKEINTRESOURCEW(IDD_MAIN + LanguageOffset), nullptr, MainDialogProc, 0);
    Model = nullptr;
    Messages = nullptr;
}

}  // namespace tessary
