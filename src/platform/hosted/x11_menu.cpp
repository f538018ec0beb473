// Popup menus on the X11 desktop: a small override-redirect window with the
// items, separators and order the program appended, drawn in the server's
// "fixed" font, which holds the pointer and the keyboard until an item is
// chosen, a press falls outside it or Esc is pressed. As on Windows, the
// menu's loop holds the program's thread until then.
#include "x11_desktop.h"

#include "state.h"
#include "x11_internal.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <poll.h>
#include <time.h>

#include <deque>

namespace hosted {
namespace x11 {
namespace {

constexpr int kPadding = 12;
constexpr int kSeparatorHeight = 9;
constexpr int kMinWidth = 120;
// On virtual time: how long the events of a test's move may take to arrive,
// and how long a menu nobody uses stays open.
constexpr int kMoveArrivesMs = 500;
constexpr int kUnusedMenuMs = 2000;

std::vector<ShownMenuItem> s_shown;

struct Layout {
    std::vector<MenuItem> items;
    std::vector<int> tops, heights;
    int width = 0, height = 0, itemHeight = 0, ascent = 0;
};

bool Selectable(const MenuItem& item) {
    return (item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED | MF_POPUP)) == 0;
}

Layout Lay(const std::vector<MenuItem>& items, XFontStruct* font) {
    Layout l;
    l.items = items;
    l.ascent = font != nullptr ? font->ascent : 10;
    l.itemHeight = (font != nullptr ? font->ascent + font->descent : 13) + 8;
    l.width = kMinWidth;
    int y = 2;
    for (const MenuItem& item : items) {
        const bool separator = (item.flags & MF_SEPARATOR) != 0;
        const int h = separator ? kSeparatorHeight : l.itemHeight;
        l.tops.push_back(y);
        l.heights.push_back(h);
        y += h;
        if (!separator && font != nullptr) {
            const int w = XTextWidth(font, item.text.c_str(), static_cast<int>(item.text.size())) + 2 * kPadding;
            if (w > l.width) l.width = w;
        }
    }
    l.height = y + 2;
    return l;
}

int ItemAt(const Layout& l, int x, int y) {
    if (x < 0 || x >= l.width) return -1;
    for (std::size_t i = 0; i < l.items.size(); ++i)
        if (y >= l.tops[i] && y < l.tops[i] + l.heights[i]) return static_cast<int>(i);
    return -1;
}

void Draw(Display* d, Window w, GC gc, const Layout& l, int highlighted) {
    const int screen = detail::Screen();
    XSetForeground(d, gc, WhitePixel(d, screen));
    XFillRectangle(d, w, gc, 0, 0, static_cast<unsigned>(l.width), static_cast<unsigned>(l.height));
    for (std::size_t i = 0; i < l.items.size(); ++i) {
        const MenuItem& item = l.items[i];
        const int top = l.tops[i];
        if (item.flags & MF_SEPARATOR) {
            XSetForeground(d, gc, BlackPixel(d, screen));
            XDrawLine(d, w, gc, 4, top + kSeparatorHeight / 2, l.width - 5, top + kSeparatorHeight / 2);
            continue;
        }
        const bool lit = static_cast<int>(i) == highlighted && Selectable(item);
        if (lit) {
            XSetForeground(d, gc, BlackPixel(d, screen));
            XFillRectangle(d, w, gc, 2, top, static_cast<unsigned>(l.width - 4), static_cast<unsigned>(l.heights[i]));
        }
        XSetForeground(d, gc, lit ? WhitePixel(d, screen) : BlackPixel(d, screen));
        XDrawString(d, w, gc, kPadding, top + 4 + l.ascent, item.text.c_str(), static_cast<int>(item.text.size()));
    }
    XFlush(d);
}

}  // namespace

UINT TrackMenu(const std::vector<MenuItem>& items, int x, int y) {
    Display* d = detail::Connection();
    if (d == nullptr || items.empty()) return 0;
    const int screen = detail::Screen();
    XFontStruct* font = XLoadQueryFont(d, "fixed");
    const Layout l = Lay(items, font);
    // Kept on the screen, the top left corner at the point where it fits.
    const int screenWidth = DisplayWidth(d, screen), screenHeight = DisplayHeight(d, screen);
    if (x + l.width > screenWidth) x = screenWidth - l.width;
    if (y + l.height > screenHeight) y = screenHeight - l.height;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.background_pixel = WhitePixel(d, screen);
    attributes.border_pixel = BlackPixel(d, screen);
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask;
    const Window w = XCreateWindow(d, detail::Root(), x, y, static_cast<unsigned>(l.width),
                                   static_cast<unsigned>(l.height), 1, CopyFromParent, InputOutput, CopyFromParent,
                                   CWOverrideRedirect | CWSaveUnder | CWBackPixel | CWBorderPixel | CWEventMask,
                                   &attributes);
    GC gc = XCreateGC(d, w, 0, nullptr);
    if (font != nullptr) XSetFont(d, gc, font->fid);
    XMapRaised(d, w);
    detail::WaitForWindowEvent(w, MapNotify, 1000);
    XGrabPointer(d, w, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync, GrabModeAsync,
                 None, None, CurrentTime);
    XGrabKeyboard(d, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    for (std::size_t i = 0; i < l.items.size(); ++i)
        s_shown.push_back(ShownMenuItem{l.items[i].id, l.items[i].text, x + 1, y + 1 + l.tops[i], l.width, l.heights[i]});
    Draw(d, w, gc, l, -1);

    UINT chosen = 0;
    bool done = false, moved = false, actionRan = false;
    int highlighted = -1;
    std::deque<XEvent> others;  // for the program's loop, after the menu
    while (!done) {
        while (!done && (d = detail::Connection()) != nullptr && XPending(d) > 0) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.xany.window != w) {
                if (!detail::TrayEvent(e)) others.push_back(e);
                continue;
            }
            switch (e.type) {
            case Expose:
                if (e.xexpose.count == 0) Draw(d, w, gc, l, highlighted);
                break;
            case MotionNotify: {
                moved = true;
                const int at = ItemAt(l, e.xmotion.x, e.xmotion.y);
                if (at != highlighted) Draw(d, w, gc, l, highlighted = at);
                break;
            }
            case ButtonPress:
            case ButtonRelease: {
                const int at = ItemAt(l, e.xbutton.x, e.xbutton.y);
                const bool inside = e.xbutton.x >= 0 && e.xbutton.y >= 0 && e.xbutton.x < l.width &&
                                    e.xbutton.y < l.height;
                // The release of the press that opened the menu chooses
                // nothing unless the pointer has moved onto an item since.
                if (at >= 0 && Selectable(l.items[static_cast<std::size_t>(at)]) &&
                    (e.type == ButtonPress || moved)) {
                    chosen = static_cast<UINT>(l.items[static_cast<std::size_t>(at)].id);
                    done = true;
                } else if (!inside && e.type == ButtonPress) {
                    done = true;  // a press elsewhere dismisses the menu
                }
                break;
            }
            case KeyPress: {
                const KeySym key = XLookupKeysym(&e.xkey, 0);
                if (key == XK_Escape) {
                    done = true;
                } else if ((key == XK_Return || key == XK_KP_Enter) && highlighted >= 0 &&
                           Selectable(l.items[static_cast<std::size_t>(highlighted)])) {
                    chosen = static_cast<UINT>(l.items[static_cast<std::size_t>(highlighted)].id);
                    done = true;
                } else if (key == XK_Down || key == XK_Up) {
                    const int n = static_cast<int>(l.items.size());
                    int next = highlighted;
                    for (int step = 0; step < n; ++step) {
                        next = key == XK_Down ? (next + 1) % n : (next - 1 + n) % n;
                        if (Selectable(l.items[static_cast<std::size_t>(next)])) break;
                    }
                    Draw(d, w, gc, l, highlighted = next);
                }
                break;
            }
            default:
                break;
            }
        }
        if (done || d == nullptr || hosted::detail::g_closeRequested) break;
        if (IsLive()) {
            WaitForInput(250);
            continue;
        }
        // On virtual time the user's moves are a test's planned actions;
        // what one did reaches the server before the next one runs.
        if (WaitForInput(actionRan ? kMoveArrivesMs : 0)) continue;
        if (hosted::detail::AdvanceToNextAction()) {
            actionRan = true;
            continue;
        }
        if (!WaitForInput(kUnusedMenuMs)) break;  // nobody uses it: dismissed
    }

    s_shown.clear();
    if ((d = detail::Connection()) != nullptr) {
        XUngrabPointer(d, CurrentTime);
        XUngrabKeyboard(d, CurrentTime);
        XFreeGC(d, gc);
        XDestroyWindow(d, w);
        if (font != nullptr) XFreeFont(d, font);
        for (auto it = others.rbegin(); it != others.rend(); ++it) XPutBackEvent(d, &*it);
        XSync(d, False);
    }
    return chosen;
}

bool CursorPosition(POINT* point) {
    Display* d = detail::Connection();
    if (d == nullptr) return false;
    Window root = None, child = None;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned mask = 0;
    if (!XQueryPointer(d, detail::Root(), &root, &child, &rootX, &rootY, &x, &y, &mask)) return false;
    point->x = rootX;
    point->y = rootY;
    return true;
}

}  // namespace x11

std::vector<ShownMenuItem> ShownMenu() {
    return x11::s_shown;
}

}  // namespace hosted
