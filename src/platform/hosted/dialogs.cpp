// Modal dialogs of the hosted layer, made from the templates of the embedded
// resource script: the dialog window with the system's default handling
// around the program's dialog procedure, its static and button controls with
// their own window procedures (which the program may subclass), and the
// modal loop in which the test acts as the user.
#include "resources.h"
#include "state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace hosted {
namespace {

using detail::Window;

constexpr LRESULT kHitTransparent = -1;  // HTTRANSPARENT: the click goes to the window beneath
constexpr int kScreenDpi = 96;
constexpr WORD kArrowCursor = 32512;     // IDC_ARROW

std::vector<DialogCall> s_calls;
std::vector<HWND> s_open;  // innermost last

bool IsClass(const Window& w, const char* name) {
    return strcasecmp(w.className.c_str(), name) == 0;
}

void Notify(HWND control, const Window& w, WORD code) {
    SendMessageA(w.parent, WM_COMMAND, MAKEWPARAM(w.id, code), reinterpret_cast<LPARAM>(control));
}

// What every control does with its text and font.
bool CommonControlMessage(Window& w, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    switch (msg) {
    case WM_SETFONT:
        w.font = reinterpret_cast<HFONT>(wParam);
        *result = 0;
        return true;
    case WM_GETFONT:
        *result = reinterpret_cast<LRESULT>(w.font);
        return true;
    case WM_SETTEXT:
        w.title = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
        *result = TRUE;
        return true;
    case WM_GETTEXTLENGTH:
        *result = static_cast<LRESULT>(w.title.size());
        return true;
    case WM_GETTEXT: {
        char* out = reinterpret_cast<char*>(lParam);
        if (out == nullptr || wParam == 0) {
            *result = 0;
            return true;
        }
        std::size_t n = w.title.size() < wParam - 1 ? w.title.size() : wParam - 1;
        std::memcpy(out, w.title.data(), n);
        out[n] = '\0';
        *result = static_cast<LRESULT>(n);
        return true;
    }
    case WM_SETCURSOR:
        // The class cursor of both control classes.
        SetCursor(detail::StockCursor(kArrowCursor));
        *result = TRUE;
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK StaticControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = detail::FindWindowRecord(hwnd);
    if (w == nullptr) return 0;
    LRESULT result = 0;
    if (CommonControlMessage(*w, msg, wParam, lParam, &result)) return result;
    const bool notify = (w->style & SS_NOTIFY) != 0;
    switch (msg) {
    case WM_NCHITTEST:
        // Without SS_NOTIFY a static is not there for the mouse.
        return notify ? HTCLIENT : kHitTransparent;
    case WM_LBUTTONDOWN:
        if (notify) Notify(hwnd, *w, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (notify) Notify(hwnd, *w, STN_DBLCLK);
        return 0;
    case STM_GETIMAGE:
        return wParam == IMAGE_BITMAP && (w->style & SS_TYPEMASK) == SS_BITMAP
                   ? reinterpret_cast<LRESULT>(w->image)
                   : 0;
    default:
        return 0;
    }
}

LRESULT CALLBACK ButtonControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = detail::FindWindowRecord(hwnd);
    if (w == nullptr) return 0;
    LRESULT result = 0;
    if (CommonControlMessage(*w, msg, wParam, lParam, &result)) return result;
    switch (msg) {
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_LBUTTONUP:
        Notify(hwnd, *w, BN_CLICKED);
        return 0;
    default:
        return 0;
    }
}

LRESULT CALLBACK OtherControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = detail::FindWindowRecord(hwnd);
    LRESULT result = 0;
    if (w != nullptr && CommonControlMessage(*w, msg, wParam, lParam, &result)) return result;
    return msg == WM_NCHITTEST ? HTCLIENT : 0;
}

WNDPROC ProcOfClass(const std::string& className) {
    if (strcasecmp(className.c_str(), "Static") == 0) return StaticControlProc;
    if (strcasecmp(className.c_str(), "Button") == 0) return ButtonControlProc;
    return OtherControlProc;
}

HWND CancelButton(HWND dialog) {
    return GetDlgItem(dialog, IDCANCEL);
}

// The system's part of a dialog, for what the dialog procedure leaves to it.
LRESULT DefaultDialogMessage(HWND hwnd, Window& w, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        SetTextColor(reinterpret_cast<HDC>(wParam), 0);  // the window text colour
        return reinterpret_cast<LRESULT>(detail::DialogBackgroundBrush());
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageA(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        // The close box acts as a Cancel button would.
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(CancelButton(hwnd)));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(w.font);
    case WM_SETFONT:
        w.font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_SETCURSOR:
        // Over the dialog itself, and over statics the mouse passes through.
        SetCursor(detail::StockCursor(kArrowCursor));
        return TRUE;
    default:
        return 0;
    }
}

LRESULT CALLBACK DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = detail::FindWindowRecord(hwnd);
    if (w == nullptr) return 0;
    const DLGPROC proc = w->dialogProc;
    const INT_PTR handled = proc != nullptr ? proc(hwnd, msg, wParam, lParam) : FALSE;
    if ((w = detail::FindWindowRecord(hwnd)) == nullptr) return handled;
    switch (msg) {
    case WM_INITDIALOG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
        // These answers are the procedure's own return value.
        if (handled) return handled;
        break;
    default:
        if (handled) return w->messageResult;
        break;
    }
    return DefaultDialogMessage(hwnd, *w, msg, wParam, lParam);
}

// The dialog font: points at 96 dots per inch, as the dialog manager makes it.
HFONT MakeDialogFont(const detail::DialogTemplate& t) {
    if (t.fontPoints <= 0 || (t.style & DS_SETFONT) == 0) return nullptr;
    LOGFONTA font{};
    font.lfHeight = -((t.fontPoints * kScreenDpi + 36) / 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(font.lfFaceName, t.fontFace.c_str(), LF_FACESIZE - 1);
    return detail::MakeSystemFont(font);
}

void MakeControls(HWND dialog, const detail::DialogTemplate& t, HFONT font) {
    for (const detail::DialogItemTemplate& item : t.items) {
        HWND control = detail::MakeOwnWindow(item.className.c_str(), item.text.c_str(), item.style, dialog,
                                             ProcOfClass(item.className));
        if (control == nullptr) break;
        Window* w = detail::FindWindowRecord(control);
        w->id = item.id;
        w->x = item.x;
        w->y = item.y;
        w->width = item.width;
        w->height = item.height;
        w->visible = (item.style & WS_VISIBLE) != 0;
        // A picture static names its bitmap "#id".
        if (IsClass(*w, "Static") && (item.style & SS_TYPEMASK) == SS_BITMAP && item.text.size() > 1 &&
            item.text[0] == '#')
            w->image = detail::LoadBitmapResource(std::atoi(item.text.c_str() + 1), 0, 0, 0, true);
        if (font != nullptr) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
}

HWND FirstTabStop(HWND dialog) {
    for (HWND control : detail::ChildrenOf(dialog)) {
        const Window* w = detail::FindWindowRecord(control);
        if (w != nullptr && (w->style & WS_TABSTOP) != 0) return control;
    }
    return nullptr;
}

// Esc and Enter in a dialog become its commands, as IsDialogMessage does it.
bool DialogKey(HWND dialog, const MSG& msg) {
    if (msg.message != WM_KEYDOWN) return false;
    const Window* target = detail::FindWindowRecord(msg.hwnd);
    if (msg.hwnd != dialog && (target == nullptr || target->parent != dialog)) return false;
    if (msg.wParam == VK_ESCAPE) {
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(CancelButton(dialog)));
        return true;
    }
    if (msg.wParam == VK_RETURN) {
        int id = IDOK;
        HWND button = nullptr;
        for (HWND control : detail::ChildrenOf(dialog)) {
            const Window* w = detail::FindWindowRecord(control);
            if (w != nullptr && IsClass(*w, "Button") && (w->style & 0x0F) == BS_DEFPUSHBUTTON) {
                id = w->id;
                button = control;
                break;
            }
        }
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
        return true;
    }
    return false;
}

void RunModalLoop(HWND dialog) {
    for (;;) {
        const Window* w = detail::FindWindowRecord(dialog);
        if (w == nullptr || w->dialogEnded) return;
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside
                return;
            }
            if (DialogKey(dialog, msg)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (IsLive()) {
            // Nobody can reach a dialog of the live runner.
            EndDialog(dialog, IDCANCEL);
            continue;
        }
        if (!detail::AdvanceToNextAction()) {
            std::fprintf(stderr,
                         "hosted desktop: a modal dialog waits for the user and nothing is planned; "
                         "aborting the run\n");
            std::abort();
        }
    }
}

}  // namespace

namespace detail {

void ResetDialogs() {
    s_calls.clear();
    s_open.clear();
}

}  // namespace detail

const std::vector<DialogCall>& DialogCalls() {
    return s_calls;
}

HWND ActiveDialog() {
    return s_open.empty() ? nullptr : s_open.back();
}

std::vector<HWND> ControlsOf(HWND dialog) {
    return detail::ChildrenOf(dialog);
}

namespace {

// The window a mouse message over `control` goes to.
HWND MouseTarget(HWND control) {
    if (SendMessageA(control, WM_NCHITTEST, 0, 0) == kHitTransparent) {
        const Window* w = detail::FindWindowRecord(control);
        return w != nullptr ? w->parent : nullptr;
    }
    return control;
}

}  // namespace

void ClickControl(HWND control) {
    const HWND target = MouseTarget(control);
    SendMessageA(target, WM_LBUTTONDOWN, 1, 0);
    SendMessageA(target, WM_LBUTTONUP, 0, 0);
}

void DoubleClickControl(HWND control) {
    const HWND target = MouseTarget(control);
    SendMessageA(target, WM_LBUTTONDOWN, 1, 0);
    SendMessageA(target, WM_LBUTTONUP, 0, 0);
    SendMessageA(target, WM_LBUTTONDBLCLK, 1, 0);
    SendMessageA(target, WM_LBUTTONUP, 0, 0);
}

void PressKey(HWND dialog, WORD virtualKey) {
    PostMessageA(dialog, WM_KEYDOWN, virtualKey, 0);
}

void ClickCloseBox(HWND dialog) {
    SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

ControlColours AskControlColours(HWND control) {
    const Window* w = detail::FindWindowRecord(control);
    if (w == nullptr) return ControlColours{false, 0, 0, nullptr};
    HDC dc = detail::MakeSystemDC(control);
    const LRESULT brush = SendMessageA(w->parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(control));
    ControlColours colours{false, 0, 0, reinterpret_cast<HGDIOBJ>(brush)};
    detail::ReadDCColours(dc, &colours.text, &colours.bkMode);
    detail::DeleteSystemDC(dc);
    colours.handled = brush != 0 && colours.brush != detail::DialogBackgroundBrush();
    return colours;
}

HCURSOR CursorOver(HWND control) {
    SetCursor(nullptr);
    SendMessageA(MouseTarget(control), WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return CurrentCursor();
}

std::string DisplayedText(HWND control) {
    const Window* w = detail::FindWindowRecord(control);
    if (w == nullptr) return "";
    if (w->style & SS_NOPREFIX) return w->title;
    std::string shown;
    for (std::size_t i = 0; i < w->title.size(); ++i) {
        if (w->title[i] == '&' && i + 1 < w->title.size()) ++i;  // "&&" is one "&", "&x" underlines x
        shown += w->title[i];
    }
    return shown;
}

}  // namespace hosted

INT_PTR WINAPI DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                               LPARAM param) {
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(templateName);
    const hosted::detail::DialogTemplate* t =
        instance == hosted::ModuleInstance() && id != 0 && id <= 0xFFFF
            ? hosted::detail::FindDialogTemplate(static_cast<int>(id))
            : nullptr;
    const std::size_t record = hosted::s_calls.size();
    hosted::s_calls.push_back(hosted::DialogCall{static_cast<int>(id <= 0xFFFF ? id : 0), owner, param, nullptr,
                                                 false, -1, hosted::Now(), hosted::Now()});
    if (t == nullptr) return -1;

    HWND dialog = hosted::detail::MakeOwnWindow("#32770", t->caption.c_str(), t->style, nullptr,
                                                hosted::DialogWindowProc);
    if (dialog == nullptr) return -1;
    hosted::detail::Window* w = hosted::detail::FindWindowRecord(dialog);
    w->isDialog = true;
    w->dialogProc = proc;
    w->owner = owner;
    w->x = t->x;
    w->y = t->y;
    w->width = t->width;
    w->height = t->height;
    const HFONT font = hosted::MakeDialogFont(*t);
    w->font = font;
    hosted::s_calls[record].dialog = dialog;
    hosted::s_open.push_back(dialog);

    hosted::MakeControls(dialog, *t, font);
    SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(hosted::FirstTabStop(dialog)), param);
    if ((w = hosted::detail::FindWindowRecord(dialog)) != nullptr && !w->dialogEnded) ShowWindow(dialog, SW_SHOW);
    hosted::RunModalLoop(dialog);

    INT_PTR result = 0;
    bool ended = false;
    std::vector<HGDIOBJ> images;
    for (HWND control : hosted::detail::ChildrenOf(dialog))
        if (const hosted::detail::Window* c = hosted::detail::FindWindowRecord(control)) images.push_back(c->image);
    if ((w = hosted::detail::FindWindowRecord(dialog)) != nullptr) {
        result = w->dialogResult;
        ended = w->dialogEnded;
        DestroyWindow(dialog);
    }
    for (HGDIOBJ image : images) hosted::detail::DeleteSystemObject(image);
    hosted::detail::DeleteSystemObject(font);
    for (std::size_t i = hosted::s_open.size(); i-- > 0;)
        if (hosted::s_open[i] == dialog) hosted::s_open.erase(hosted::s_open.begin() + static_cast<std::ptrdiff_t>(i));
    hosted::s_calls[record].ended = ended;
    hosted::s_calls[record].result = result;
    hosted::s_calls[record].closed = hosted::Now();
    return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
    hosted::detail::Window* w = hosted::detail::FindWindowRecord(dialog);
    if (w == nullptr || !w->isDialog) return FALSE;
    w->dialogEnded = true;
    w->dialogResult = result;
    for (std::size_t i = hosted::s_calls.size(); i-- > 0;) {
        if (hosted::s_calls[i].dialog != dialog) continue;
        hosted::s_calls[i].ended = true;
        hosted::s_calls[i].result = result;
        break;
    }
    return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
    for (HWND control : hosted::detail::ChildrenOf(dialog)) {
        const hosted::detail::Window* w = hosted::detail::FindWindowRecord(control);
        if (w != nullptr && w->id == id) return control;
    }
    return nullptr;
}

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND control = GetDlgItem(dialog, id);
    return control != nullptr ? SendMessageA(control, msg, wParam, lParam) : 0;
}
