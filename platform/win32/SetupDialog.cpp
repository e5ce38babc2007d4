// The setup dialog from resource template 100. It has no caption, so it moves itself: a press
// anywhere on it grabs it and the grabbed point follows the cursor.
#include "kem/Exception.h"
#include "platform/Dialog.h"

#include <windows.h>
#include <windowsx.h>

namespace platform {

namespace {

constexpr int dialogTemplate = 100;
constexpr int fullscreenBox = 1003;
constexpr int mustacheBox = 1005;
constexpr int resolutionList = 1007;

// What the dialog shows and fills in; set for the length of one modal run.
const char* const* shownLabels = nullptr;
int shownLabelCount = 0;
SetupChoices* shownChoices = nullptr;

// Client coordinates of the last left-button press: the drag origin.
int dragOriginX = 0;
int dragOriginY = 0;

void showChoices(HWND dialog) {
    HWND list = GetDlgItem(dialog, resolutionList);
    for (int i = 0; i < shownLabelCount; ++i)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shownLabels[i]));
    SendMessageA(list, CB_SETCURSEL, WPARAM(shownChoices->resolution), 0);
    CheckDlgButton(dialog, fullscreenBox, shownChoices->fullscreen ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, mustacheBox, shownChoices->mustache ? BST_CHECKED : BST_UNCHECKED);
    // Seen checked, never changeable.
    EnableWindow(GetDlgItem(dialog, mustacheBox), FALSE);
}

void storeChoices(HWND dialog) {
    const LRESULT row = SendDlgItemMessageA(dialog, resolutionList, CB_GETCURSEL, 0, 0);
    if (row != CB_ERR)
        shownChoices->resolution = int(row);
    shownChoices->fullscreen = IsDlgButtonChecked(dialog, fullscreenBox) == BST_CHECKED;
    shownChoices->mustache = IsDlgButtonChecked(dialog, mustacheBox) == BST_CHECKED;
}

INT_PTR CALLBACK setupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        showChoices(dialog);
        return FALSE; // leave the keyboard focus where the system put it
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            storeChoices(dialog);
            EndDialog(dialog, INT_PTR(wParam));
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, INT_PTR(wParam));
            return TRUE;
        }
        return FALSE;
    case WM_LBUTTONDOWN:
        dragOriginX = GET_X_LPARAM(lParam);
        dragOriginY = GET_Y_LPARAM(lParam);
        SetCapture(dialog);
        return FALSE;
    case WM_MOUSEMOVE:
        if (GetCapture() == dialog) {
            RECT frame;
            GetWindowRect(dialog, &frame);
            SetWindowPos(dialog, nullptr, frame.left + GET_X_LPARAM(lParam) - dragOriginX,
                         frame.top + GET_Y_LPARAM(lParam) - dragOriginY, frame.right - frame.left,
                         frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return FALSE;
    case WM_LBUTTONUP:
        ReleaseCapture();
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

bool runSetupDialog(const char* const* resolutionLabels, int resolutionCount,
                    SetupChoices& choices) {
    shownLabels = resolutionLabels;
    shownLabelCount = resolutionCount;
    shownChoices = &choices;
    const INT_PTR result = DialogBoxParamA(
        GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialogTemplate), nullptr, setupDialogProc, 0);
    shownChoices = nullptr;
    if (result == -1)
        throw Kem::Exception("Could not show the setup dialog", "platform/win32/SetupDialog",
                             __LINE__);
    return result == IDOK;
}

} // namespace platform
