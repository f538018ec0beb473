// Modal dialogs on the X11 desktop: the dialog the template made, shown as a
// plain X window with its controls where the template puts them (its
// pictures, texts, links in the colours the dialog procedure gives them, and
// buttons), drawn in the server's "fixed" font. A click on a link or a button
// reaches the control as the mouse's press and release; Esc, Enter and the
// window manager's close box are the dialog's keys and close box.
#include "x11_desktop.h"

#include "resources.h"
#include "state.h"
#include "x11_internal.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace hosted {
namespace x11 {
namespace {

// Dialog units of the template's 9-point Arial as pixels: a character cell
// is about 7 x 15 pixels, so four horizontal and eight vertical units are that.
constexpr int PixelsX(int units) { return units * 7 / 4; }
constexpr int PixelsY(int units) { return units * 15 / 8; }

struct ShownDialog {
    HWND dialog = nullptr;
    Window window = None;
};

std::vector<ShownDialog> s_dialogs;

const ShownDialog* DialogOfWindow(Window window) {
    for (const ShownDialog& d : s_dialogs)
        if (d.window == window) return &d;
    return nullptr;
}

bool IsStatic(const hosted::detail::Window& w) {
    return w.className == "Static" || w.className == "STATIC" || w.className == "static";
}

unsigned long Colour(COLORREF c) {
    // TrueColor of 24 bits: 0xRRGGBB; COLORREF is 0x00BBGGRR.
    return static_cast<unsigned long>((c & 0xFF) << 16 | (c & 0xFF00) | (c >> 16 & 0xFF));
}

// Lines of a left-aligned static: its own line breaks, and words wrapped at
// the control's width. The fixed font is a little wider than the template's
// Arial, so a line may reach an eighth beyond the control before it wraps.
std::vector<std::string> Lines(const std::string& text, XFontStruct* font, int width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string paragraph = text.substr(start, end - start);
        if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
        std::string line;
        std::size_t at = 0;
        while (at <= paragraph.size()) {
            std::size_t space = paragraph.find(' ', at);
            if (space == std::string::npos) space = paragraph.size();
            const std::string word = paragraph.substr(at, space - at);
            const std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && font != nullptr &&
                XTextWidth(font, candidate.c_str(), static_cast<int>(candidate.size())) > width + width / 8) {
                lines.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            at = space + 1;
        }
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

// A picture static: the bitmap the template names ("#id"), at its own size.
void DrawPicture(HWND dialog, const std::string& name, int x, int y) {
    if (name.size() < 2 || name[0] != '#') return;
    const hosted::detail::EmbeddedFile* file = hosted::detail::BitmapFile(std::atoi(name.c_str() + 1));
    if (file == nullptr || file->size < 54 || file->bytes[0] != 'B' || file->bytes[1] != 'M') return;
    const unsigned char* b = file->bytes;
    const auto u32 = [b](std::size_t at) {
        return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
               static_cast<std::uint32_t>(b[at + 2]) << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
    };
    const std::uint32_t pixels = u32(10);
    const int width = static_cast<int>(u32(18)), height = static_cast<int>(u32(22));
    const int bpp = b[28] | b[29] << 8;
    if (pixels >= file->size || width <= 0 || height <= 0) return;
    DrawBitmap(dialog, x, y, width, height, b + pixels, file->size - pixels, width, height, bpp, 0, 0);
}

void Render(HWND dialog, Window window, int width, int height) {
    Display* d = detail::Connection();
    XFontStruct* font = XLoadQueryFont(d, "fixed");
    // The dialog's face is the window's background, so the server keeps it.
    const Pixmap face = detail::OwnPicture(dialog);
    if (face == None) {
        if (font != nullptr) XFreeFont(d, font);
        return;
    }
    GC gc = XCreateGC(d, face, 0, nullptr);
    if (font != nullptr) XSetFont(d, gc, font->fid);
    XSetForeground(d, gc, 0xF0F0F0);
    XFillRectangle(d, face, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    const int ascent = font != nullptr ? font->ascent : 10;
    const int lineHeight = font != nullptr ? font->ascent + font->descent + 1 : 14;
    std::vector<std::pair<HWND, std::string>> pictures;
    for (HWND control : ControlsOf(dialog)) {
        const hosted::detail::Window* c = hosted::detail::FindWindowRecord(control);
        if (c == nullptr || !c->visible) continue;
        const int x = PixelsX(c->x), y = PixelsY(c->y), w = PixelsX(c->width), h = PixelsY(c->height);
        const std::string text = DisplayedText(control);
        if (IsStatic(*c) && (c->style & SS_TYPEMASK) == SS_BITMAP) {
            pictures.emplace_back(control, c->title);
            continue;
        }
        if (!IsStatic(*c)) {  // a push button
            XSetForeground(d, gc, 0xE1E1E1);
            XFillRectangle(d, face, gc, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
            XSetForeground(d, gc, (c->style & 0x0F) == BS_DEFPUSHBUTTON ? 0x0078D7 : 0xADADAD);
            XDrawRectangle(d, face, gc, x, y, static_cast<unsigned>(w - 1), static_cast<unsigned>(h - 1));
            XSetForeground(d, gc, 0);
            const int tw = font != nullptr ? XTextWidth(font, text.c_str(), static_cast<int>(text.size())) : 0;
            XDrawString(d, face, gc, x + (w - tw) / 2, y + (h + ascent) / 2 - 1, text.c_str(),
                        static_cast<int>(text.size()));
            continue;
        }
        const ControlColours colours = AskControlColours(control);
        XSetForeground(d, gc, colours.handled ? Colour(colours.text) : 0);
        int line = 0;
        for (const std::string& l : Lines(text, font, w)) {
            const int baseline = y + ascent + line * lineHeight;
            XDrawString(d, face, gc, x, baseline, l.c_str(), static_cast<int>(l.size()));
            if (c->style & SS_NOTIFY) {  // a link is underlined
                const int lw = font != nullptr ? XTextWidth(font, l.c_str(), static_cast<int>(l.size())) : 0;
                XDrawLine(d, face, gc, x, baseline + 1, x + lw, baseline + 1);
            }
            ++line;
        }
    }
    XFreeGC(d, gc);
    if (font != nullptr) XFreeFont(d, font);
    // Pictures go into the face the window now holds, with their frame.
    for (const auto& picture : pictures) {
        const hosted::detail::Window* c = hosted::detail::FindWindowRecord(picture.first);
        if (c == nullptr) continue;
        DrawPicture(dialog, picture.second, PixelsX(c->x), PixelsY(c->y));
    }
    XClearWindow(d, window);
    XFlush(d);
}

// The control under a point of the dialog that takes the mouse: a button,
// or a static that notifies (a link).
HWND ControlAt(HWND dialog, int x, int y) {
    for (HWND control : ControlsOf(dialog)) {
        const hosted::detail::Window* c = hosted::detail::FindWindowRecord(control);
        if (c == nullptr || !c->visible) continue;
        if (IsStatic(*c) && (c->style & SS_NOTIFY) == 0) continue;
        const int cx = PixelsX(c->x), cy = PixelsY(c->y);
        if (x >= cx && y >= cy && x < cx + PixelsX(c->width) && y < cy + PixelsY(c->height)) return control;
    }
    return nullptr;
}

constexpr int kBoxButtonWidth = 80;
constexpr int kBoxButtonHeight = 24;

void DrawBox(Display* d, Window w, GC gc, XFontStruct* font, const std::vector<std::string>& lines, int width,
             int height) {
    const int ascent = font != nullptr ? font->ascent : 10;
    const int lineHeight = font != nullptr ? font->ascent + font->descent + 1 : 14;
    XSetForeground(d, gc, 0xF0F0F0);
    XFillRectangle(d, w, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSetForeground(d, gc, 0);
    for (std::size_t i = 0; i < lines.size(); ++i)
        XDrawString(d, w, gc, 20, 20 + ascent + static_cast<int>(i) * lineHeight, lines[i].c_str(),
                    static_cast<int>(lines[i].size()));
    const int bx = (width - kBoxButtonWidth) / 2, by = height - kBoxButtonHeight - 12;
    XSetForeground(d, gc, 0xE1E1E1);
    XFillRectangle(d, w, gc, bx, by, kBoxButtonWidth, kBoxButtonHeight);
    XSetForeground(d, gc, 0x0078D7);
    XDrawRectangle(d, w, gc, bx, by, kBoxButtonWidth - 1, kBoxButtonHeight - 1);
    XSetForeground(d, gc, 0);
    const int tw = font != nullptr ? XTextWidth(font, "OK", 2) : 12;
    XDrawString(d, w, gc, bx + (kBoxButtonWidth - tw) / 2, by + (kBoxButtonHeight + ascent) / 2 - 1, "OK", 2);
    XFlush(d);
}

}  // namespace

bool ShowMessageBox(const char* caption, const char* text, std::int64_t holdMs) {
    Display* d = detail::Connection();
    if (d == nullptr) return false;
    const int screen = detail::Screen();
    XFontStruct* font = XLoadQueryFont(d, "fixed");
    const std::vector<std::string> lines = Lines(text != nullptr ? text : "", nullptr, 0);
    int textWidth = 0;
    for (const std::string& l : lines)
        if (font != nullptr) textWidth = std::max(textWidth, XTextWidth(font, l.c_str(), static_cast<int>(l.size())));
    const int lineHeight = font != nullptr ? font->ascent + font->descent + 1 : 14;
    const int width = std::max(240, textWidth + 40);
    const int height = static_cast<int>(lines.size()) * lineHeight + 40 + kBoxButtonHeight + 12;
    XSetWindowAttributes attributes{};
    attributes.event_mask = ExposureMask | ButtonPressMask | KeyPressMask | StructureNotifyMask;
    attributes.background_pixel = 0xF0F0F0;
    const Window w = XCreateWindow(d, detail::Root(), (DisplayWidth(d, screen) - width) / 2,
                                   (DisplayHeight(d, screen) - height) / 2, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                                   CWEventMask | CWBackPixel, &attributes);
    const char* title = caption != nullptr ? caption : "";
    XStoreName(d, w, title);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_NAME", False), XInternAtom(d, "UTF8_STRING", False), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title), static_cast<int>(std::strlen(title)));
    Atom deleteWindow = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(d, w, &deleteWindow, 1);
    GC gc = XCreateGC(d, w, 0, nullptr);
    if (font != nullptr) XSetFont(d, gc, font->fid);
    XMapRaised(d, w);
    detail::WaitForWindowEvent(w, MapNotify, 2000);
    DrawBox(d, w, gc, font, lines, width, height);

    const std::int64_t until = Now() + holdMs;
    bool done = false;
    while (!done) {
        while (!done && (d = detail::Connection()) != nullptr && XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.xany.window != w) {
                detail::HandleEvent(e);  // the tray icon and the other windows go on
                continue;
            }
            const int bx = (width - kBoxButtonWidth) / 2, by = height - kBoxButtonHeight - 12;
            if (e.type == Expose && e.xexpose.count == 0) DrawBox(d, w, gc, font, lines, width, height);
            if (e.type == ButtonPress && e.xbutton.x >= bx && e.xbutton.x < bx + kBoxButtonWidth &&
                e.xbutton.y >= by && e.xbutton.y < by + kBoxButtonHeight)
                done = true;
            if (e.type == KeyPress) {
                const KeySym key = XLookupKeysym(&e.xkey, 0);
                done = key == XK_Return || key == XK_KP_Enter || key == XK_Escape || key == XK_space;
            }
            if (e.type == ClientMessage && static_cast<Atom>(e.xclient.data.l[0]) == deleteWindow) done = true;
        }
        if (done || d == nullptr) break;
        if (!IsLive()) {
            // The user reads the box for the planned time; actions run meanwhile.
            hosted::detail::AdvanceTo(until);
            break;
        }
        if (hosted::detail::g_closeRequested) break;
        WaitForInput(250);
    }
    if ((d = detail::Connection()) != nullptr) {
        XFreeGC(d, gc);
        XDestroyWindow(d, w);
        if (font != nullptr) XFreeFont(d, font);
        XSync(d, False);
    }
    return true;
}

bool ControlPlace(HWND control, RECT* place) {
    Display* d = detail::Connection();
    const hosted::detail::Window* c = hosted::detail::FindWindowRecord(control);
    if (d == nullptr || c == nullptr) return false;
    const Window window = detail::OwnXid(c->parent);
    if (window == None) return false;
    int x = 0, y = 0;
    Window child = None;
    XTranslateCoordinates(d, window, detail::Root(), PixelsX(c->x), PixelsY(c->y), &x, &y, &child);
    *place = RECT{x, y, x + PixelsX(c->width), y + PixelsY(c->height)};
    return true;
}

void ShowDialog(HWND dialog) {
    Display* d = detail::Connection();
    const hosted::detail::Window* w = hosted::detail::FindWindowRecord(dialog);
    if (d == nullptr || w == nullptr) return;
    const int width = PixelsX(w->width), height = PixelsY(w->height);
    // Centred on the screen, as DS_CENTER asks and a hidden owner allows.
    const int x = (DisplayWidth(d, detail::Screen()) - width) / 2;
    const int y = (DisplayHeight(d, detail::Screen()) - height) / 2;
    CreateOwnWindow(dialog, w->title.c_str(), w->style, x, y, width, height);
    const Window window = detail::OwnXid(dialog);
    if (window == None) return;
    XSelectInput(d, window, StructureNotifyMask | ButtonPressMask | KeyPressMask);
    s_dialogs.push_back(ShownDialog{dialog, window});
    Render(dialog, window, width, height);
    ShowOwnWindow(dialog, true);
}

namespace detail {

bool DialogEvent(const XEvent& event) {
    const ShownDialog* shown = DialogOfWindow(event.xany.window);
    if (shown == nullptr) return false;
    const HWND dialog = shown->dialog;
    switch (event.type) {
    case ButtonPress:
        if (event.xbutton.button == Button1)
            if (HWND control = ControlAt(dialog, event.xbutton.x, event.xbutton.y)) ClickControl(control);
        return true;
    case KeyPress: {
        XKeyEvent key = event.xkey;
        const KeySym symbol = XLookupKeysym(&key, 0);
        if (symbol == XK_Escape) PressKey(dialog, VK_ESCAPE);
        if (symbol == XK_Return || symbol == XK_KP_Enter) PressKey(dialog, VK_RETURN);
        return true;
    }
    case ClientMessage:
        // The window manager's close box.
        if (static_cast<Atom>(event.xclient.data.l[0]) == XInternAtom(Connection(), "WM_DELETE_WINDOW", False)) {
            ClickCloseBox(dialog);
            return true;
        }
        return false;
    default:
        return false;
    }
}

void ForgetDialog(HWND dialog) {
    for (auto it = s_dialogs.begin(); it != s_dialogs.end(); ++it)
        if (it->dialog == dialog) {
            s_dialogs.erase(it);
            return;
        }
}

}  // namespace detail
}  // namespace x11

bool ControlOnScreen(HWND control, RECT* place) {
    return x11::ControlPlace(control, place);
}

}  // namespace hosted
