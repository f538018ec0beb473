// The About dialog: the picture, the product block, and two link-styled
// texts that hand their address to the shell and close the dialog.
#ifndef HORALUX_APP_ABOUT_DIALOG_H
#define HORALUX_APP_ABOUT_DIALOG_H

#include "platform/win32.h"

// The link colour: pure blue.
constexpr COLORREF kLinkColour = RGB(0, 0, 255);
static_assert(kLinkColour == 0x00FF0000, "COLORREF keeps blue in its third byte");

// The window procedures the two link controls had before they were
// subclassed; written each time a dialog opens.
extern WNDPROC g_prevUrlLinkProc;
extern WNDPROC g_prevMailLinkProc;

// Ends with the identifier that closed the dialog: IDC_CLOSE, IDCANCEL (Esc,
// the close box), IDC_LINK_URL or IDC_LINK_MAIL.
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The two link controls: the hand cursor, everything else as before.
LRESULT CALLBACK UrlLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK MailLinkProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

#endif
