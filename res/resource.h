// Resource and control ids of Horalux, and the About texts that both the
// program and the resource script use.
//
// Read by the C++ code, by windres for the Windows build, and by the hosted
// layer's own reader of horalux.rc. Keep it to plain one-line #defines of
// numbers and string literals, so that each of the three understands it.
#ifndef HORALUX_RES_RESOURCE_H
#define HORALUX_RES_RESOURCE_H

// Bitmaps, icons, dialog.
#define IDB_ABOUT 138
#define IDI_MAIN 139
#define IDI_TRACKING 140
#define IDI_PAUSED 141
#define IDD_ABOUT 153
#define IDB_SPLASH 156

// Controls of IDD_ABOUT.
#define IDC_PICTURE 134
#define IDC_CLOSE 1000
#define IDC_LINK_URL 1002
#define IDC_LINK_MAIL 1004
#define IDC_CREDIT 1005

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Each link shows the very address it opens, so the dialog's text and the
// code's ShellExecuteA argument come from these. The mail address has to fit
// its 50 x 9 dialog-unit control at 9 pt Arial, 88 pixels at 96 dpi: this
// one measures 87 (one letter more, as in "hx@example.org", makes 93).
#define HX_WEB_ADDRESS "https://horalux.example.org/"
#define HX_MAIL_ADDRESS "h@example.org"

#endif
