#include "app/about_dialog.h"

#include "resource.h"

WNDPROC g_prevUrlLinkProc = nullptr;
WNDPROC g_prevMailLinkProc = nullptr;

namespace {

constexpr const char kMailRequest[] = "mailto:" HX_MAIL_ADDRESS "?subject=Zeitprotokoll";

// Each open dialog keeps its own link font in its DWLP_USER slot: the tray
// menu still works while the dialog is open, so a second About dialog may
// open above the first, and one shared slot would lose a font to each.
HFONT LinkFontOf(HWND dialog) {
    return reinterpret_cast<HFONT>(GetWindowLongPtrA(dialog, DWLP_USER));
}

// The dialog's own font, underlined.
HFONT MakeLinkFont(HWND dialog) {
    HGDIOBJ base = reinterpret_cast<HGDIOBJ>(SendDlgItemMessageA(dialog, IDC_LINK_URL, WM_GETFONT, 0, 0));
    if (base == nullptr) base = GetStockObject(SYSTEM_FONT);
    LOGFONTA description{};
    GetObjectA(base, sizeof description, &description);
    description.lfUnderline = TRUE;
    return CreateFontIndirectA(&description);
}

WNDPROC Subclass(HWND dialog, int control, WNDPROC proc) {
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(GetDlgItem(dialog, control), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc)));
}

INT_PTR OnInitDialog(HWND dialog) {
    HFONT linkFont = MakeLinkFont(dialog);  // NULL if it can't be made: the links use the system font
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(linkFont));
    SendDlgItemMessageA(dialog, IDC_LINK_URL, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont), TRUE);
    SendDlgItemMessageA(dialog, IDC_LINK_MAIL, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont), TRUE);
    g_prevUrlLinkProc = Subclass(dialog, IDC_LINK_URL, UrlLinkProc);
    g_prevMailLinkProc = Subclass(dialog, IDC_LINK_MAIL, MailLinkProc);
    return FALSE;  // no default keyboard focus
}

INT_PTR OnCommand(HWND dialog, WORD id, WORD code) {
    switch (id) {
    case IDC_LINK_URL:
        if (code != STN_CLICKED) break;
        ShellExecuteA(dialog, nullptr, HX_WEB_ADDRESS, nullptr, nullptr, SW_SHOW);
        EndDialog(dialog, IDC_LINK_URL);  // whether or not the shell could open it
        break;
    case IDC_LINK_MAIL:
        if (code != STN_CLICKED) break;
        ShellExecuteA(nullptr, "open", kMailRequest, nullptr, nullptr, SW_HIDE);
        EndDialog(dialog, IDC_LINK_MAIL);
        break;
    case IDC_CLOSE:
    case IDCANCEL:
        EndDialog(dialog, id);
        break;
    default:
        break;
    }
    return FALSE;
}

// Only the two links are blue, on no background of their own.
INT_PTR OnCtlColorStatic(HWND dialog, HDC dc, HWND control) {
    if (control != GetDlgItem(dialog, IDC_LINK_URL) && control != GetDlgItem(dialog, IDC_LINK_MAIL)) return FALSE;
    SetTextColor(dc, kLinkColour);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

// The controls are gone by now; the dialog deletes its own font.
INT_PTR OnNcDestroy(HWND dialog) {
    if (HFONT linkFont = LinkFontOf(dialog)) DeleteObject(linkFont);
    SetWindowLongPtrA(dialog, DWLP_USER, 0);
    return FALSE;
}

LRESULT LinkStaticProc(WNDPROC previous, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR) {
        SetCursor(LoadCursorA(nullptr, IDC_HAND));
        return TRUE;  // not the class cursor over a link
    }
    return CallWindowProcA(previous, hwnd, message, wParam, lParam);
}

}  // namespace

INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog);
    case WM_COMMAND:
        return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(dialog, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NCDESTROY:
        return OnNcDestroy(dialog);
    default:
        return FALSE;
    }
}

LRESULT CALLBACK UrlLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return LinkStaticProc(g_prevUrlLinkProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK MailLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return LinkStaticProc(g_prevMailLinkProc, hwnd, message, wParam, lParam);
}
