// The tray icon on the X11 desktop, through the freedesktop system tray: the
// tray host owns the selection _NET_SYSTEM_TRAY_S<screen>; an icon is a small
// window of ours that it embeds (XEmbed) when asked to dock it. Mouse presses
// on it reach the program's window as the icon's callback message, as the
// Windows shell sends them. A tray host that starts later (or again) is told
// to the program as "TaskbarCreated", after which it adds its icon anew.
#include "x11_desktop.h"

#include "resources.h"
#include "state.h"
#include "x11_internal.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

namespace hosted {
namespace x11 {
namespace {

constexpr long kRequestDock = 0;  // SYSTEM_TRAY_REQUEST_DOCK
constexpr long kXembedMapped = 1;
constexpr int kIconSize = 16;
// How long NIM_ADD waits for the tray host to take the icon.
constexpr int kDockWaitMs = 2000;

struct TrayIcon {
    HWND owner = nullptr;
    UINT id = 0;
    UINT callbackMessage = 0;
    int resource = -1;
    Window window = None;
};

// A decoded icon resource on the server: its colours and its shape.
struct IconPicture {
    Pixmap colours = None;
    Pixmap shape = None;
    int width = 0, height = 0;
};

std::vector<TrayIcon> s_icons;
std::map<int, IconPicture> s_pictures;

Atom AtomOf(const char* name) {
    return XInternAtom(detail::Connection(), name, False);
}

Atom TraySelection() {
    char name[32];
    std::snprintf(name, sizeof name, "_NET_SYSTEM_TRAY_S%d", detail::Screen());
    return AtomOf(name);
}

std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// The first image of an .ico file (a bitmap of 1 to 32 bits a pixel with its
// AND mask) as colours and a shape, each pixel drawn or not.
bool DecodeIcon(const hosted::detail::EmbeddedFile& file, std::vector<std::uint32_t>* rgb,
                std::vector<bool>* opaque, int* width, int* height) {
    const unsigned char* b = file.bytes;
    const std::size_t size = file.size;
    if (size < 6 + 16 || U16(b + 2) != 1 || U16(b + 4) == 0) return false;
    const std::uint32_t at = U32(b + 6 + 12);
    if (at + 40 > size || U32(b + at) < 40) return false;
    const unsigned char* header = b + at;
    const int w = static_cast<int>(U32(header + 4));
    const int h = static_cast<int>(U32(header + 8)) / 2;  // colour rows, then the mask's
    const int bpp = U16(header + 14);
    if (w <= 0 || h <= 0 || w > 256 || h > 256 || (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32))
        return false;
    std::uint32_t colours = bpp <= 8 ? U32(header + 32) : 0;
    if (bpp <= 8 && colours == 0) colours = 1u << bpp;
    const std::size_t palette = at + U32(header);
    const std::size_t pixels = palette + colours * 4;
    const std::size_t stride = (static_cast<std::size_t>(w) * static_cast<std::size_t>(bpp) + 31) / 32 * 4;
    const std::size_t maskStride = (static_cast<std::size_t>(w) + 31) / 32 * 4;
    const std::size_t mask = pixels + stride * static_cast<std::size_t>(h);
    if (mask + maskStride * static_cast<std::size_t>(h) > size) return false;
    rgb->assign(static_cast<std::size_t>(w * h), 0);
    opaque->assign(static_cast<std::size_t>(w * h), true);
    for (int y = 0; y < h; ++y) {
        const std::size_t row = static_cast<std::size_t>(h - 1 - y);  // bottom-up
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * w + x);
            const unsigned char* p = b + pixels + row * stride;
            std::uint32_t colour = 0;
            bool drawn = true;
            if (bpp <= 8) {
                const std::size_t bit = static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp);
                const unsigned index = (p[bit / 8] >> (8 - bpp - bit % 8)) & ((1u << bpp) - 1);
                if (index >= colours) return false;
                const unsigned char* c = b + palette + index * 4;
                colour = static_cast<std::uint32_t>(c[2]) << 16 | static_cast<std::uint32_t>(c[1]) << 8 | c[0];
            } else {
                const unsigned char* c = p + static_cast<std::size_t>(x) * static_cast<std::size_t>(bpp / 8);
                colour = static_cast<std::uint32_t>(c[2]) << 16 | static_cast<std::uint32_t>(c[1]) << 8 | c[0];
                if (bpp == 32) drawn = c[3] >= 128;
            }
            const unsigned char m = b[mask + row * maskStride + static_cast<std::size_t>(x) / 8];
            if ((m >> (7 - x % 8)) & 1) drawn = false;
            (*rgb)[i] = colour;
            (*opaque)[i] = drawn;
        }
    }
    *width = w;
    *height = h;
    return true;
}

// The icon resource as pixmaps on the server, made once.
const IconPicture* PictureOf(int resource) {
    const auto known = s_pictures.find(resource);
    if (known != s_pictures.end()) return &known->second;
    const hosted::detail::EmbeddedFile* file = hosted::detail::IconFile(resource);
    std::vector<std::uint32_t> rgb;
    std::vector<bool> opaque;
    int w = 0, h = 0;
    Display* d = detail::Connection();
    Visual* visual = DefaultVisual(d, detail::Screen());
    const int depth = DefaultDepth(d, detail::Screen());
    if (file == nullptr || !DecodeIcon(*file, &rgb, &opaque, &w, &h) || visual->c_class != TrueColor || depth < 24)
        return nullptr;
    IconPicture picture;
    picture.width = w;
    picture.height = h;
    const unsigned uw = static_cast<unsigned>(w), uh = static_cast<unsigned>(h);
    picture.colours = XCreatePixmap(d, detail::Root(), uw, uh, static_cast<unsigned>(depth));
    picture.shape = XCreatePixmap(d, detail::Root(), uw, uh, 1);
    GC colourGc = XCreateGC(d, picture.colours, 0, nullptr);
    GC shapeGc = XCreateGC(d, picture.shape, 0, nullptr);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const std::size_t i = static_cast<std::size_t>(y * w + x);
            XSetForeground(d, colourGc, rgb[i]);  // TrueColor of 24 bits: the pixel is the colour
            XDrawPoint(d, picture.colours, colourGc, x, y);
            XSetForeground(d, shapeGc, opaque[i] ? 1 : 0);
            XDrawPoint(d, picture.shape, shapeGc, x, y);
        }
    XFreeGC(d, colourGc);
    XFreeGC(d, shapeGc);
    return &(s_pictures[resource] = picture);
}

// The icon centred in its window, the tray's own ground showing around it.
void Paint(const TrayIcon& icon) {
    Display* d = detail::Connection();
    if (d == nullptr || icon.window == None) return;
    XClearWindow(d, icon.window);
    const IconPicture* picture = PictureOf(icon.resource);
    if (picture == nullptr) return;
    XWindowAttributes a;
    if (XGetWindowAttributes(d, icon.window, &a) == 0) return;
    const int x = (a.width - picture->width) / 2, y = (a.height - picture->height) / 2;
    GC gc = XCreateGC(d, icon.window, 0, nullptr);
    XSetClipMask(d, gc, picture->shape);
    XSetClipOrigin(d, gc, x, y);
    XCopyArea(d, picture->colours, icon.window, gc, 0, 0, static_cast<unsigned>(picture->width),
              static_cast<unsigned>(picture->height), x, y);
    XFreeGC(d, gc);
    XSync(d, False);  // shown when Shell_NotifyIconA returns
}

TrayIcon* FindIcon(HWND owner, UINT id) {
    for (TrayIcon& icon : s_icons)
        if (icon.owner == owner && icon.id == id) return &icon;
    return nullptr;
}

TrayIcon* IconOfWindow(Window window) {
    for (TrayIcon& icon : s_icons)
        if (icon.window == window) return &icon;
    return nullptr;
}

void DestroyIcon(TrayIcon& icon) {
    if (Display* d = detail::Connection(); d != nullptr && icon.window != None) {
        XDestroyWindow(d, icon.window);
        XSync(d, False);
    }
    icon.window = None;
}

// Asks the tray host to embed the icon's window; true once it has.
bool Dock(TrayIcon& icon, const char* tip) {
    Display* d = detail::Connection();
    const Window manager = XGetSelectionOwner(d, TraySelection());
    if (manager == None) return false;  // no tray: the program goes on without its icon
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = ParentRelative;
    attributes.event_mask = ButtonPressMask | ButtonReleaseMask | ExposureMask | StructureNotifyMask;
    icon.window = XCreateWindow(d, detail::Root(), 0, 0, kIconSize, kIconSize, 0, CopyFromParent, InputOutput,
                                CopyFromParent, CWBackPixmap | CWEventMask, &attributes);
    const long info[2] = {0, kXembedMapped};  // XEmbed version 0, to be mapped
    const Atom xembedInfo = AtomOf("_XEMBED_INFO");
    XChangeProperty(d, icon.window, xembedInfo, xembedInfo, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(info), 2);
    if (tip != nullptr) {
        XChangeProperty(d, icon.window, AtomOf("_NET_WM_NAME"), AtomOf("UTF8_STRING"), 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(tip), static_cast<int>(std::strlen(tip)));
        XStoreName(d, icon.window, tip);
    }
    XSizeHints* size = XAllocSizeHints();
    size->flags = PMinSize | PBaseSize;
    size->min_width = size->base_width = kIconSize;
    size->min_height = size->base_height = kIconSize;
    XSetWMNormalHints(d, icon.window, size);
    XFree(size);
    XEvent request{};
    request.xclient.type = ClientMessage;
    request.xclient.window = manager;
    request.xclient.message_type = AtomOf("_NET_SYSTEM_TRAY_OPCODE");
    request.xclient.format = 32;
    request.xclient.data.l[0] = CurrentTime;
    request.xclient.data.l[1] = kRequestDock;
    request.xclient.data.l[2] = static_cast<long>(icon.window);
    XSendEvent(d, manager, False, NoEventMask, &request);
    XFlush(d);
    if (!detail::WaitForWindowEvent(icon.window, ReparentNotify, kDockWaitMs)) {
        DestroyIcon(icon);
        return false;
    }
    return true;
}

void PostMouse(const TrayIcon& icon, UINT mouseMessage) {
    PostMessageA(icon.owner, icon.callbackMessage, icon.id, static_cast<LPARAM>(mouseMessage));
}

UINT MouseMessage(unsigned button, bool press) {
    switch (button) {
    case Button1:
        return press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Button3:
        return press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default:
        return 0;
    }
}

}  // namespace

bool ShowTrayIcon(HWND owner, UINT id, UINT callbackMessage, HICON icon, const char* tip) {
    if (detail::Connection() == nullptr) return false;
    TrayIcon* known = FindIcon(owner, id);
    if (known == nullptr) {
        TrayIcon fresh;
        fresh.owner = owner;
        fresh.id = id;
        fresh.callbackMessage = callbackMessage;
        fresh.resource = ResourceIdOf(icon);
        if (!Dock(fresh, tip)) return false;
        s_icons.push_back(fresh);
        known = &s_icons.back();
    } else {
        known->callbackMessage = callbackMessage;
        known->resource = ResourceIdOf(icon);
    }
    Paint(*known);
    return true;
}

void RemoveTrayIcon(HWND owner, UINT id) {
    for (auto it = s_icons.begin(); it != s_icons.end(); ++it) {
        if (it->owner != owner || it->id != id) continue;
        DestroyIcon(*it);
        s_icons.erase(it);
        return;
    }
}

namespace detail {

bool TrayEvent(const XEvent& event) {
    Display* d = Connection();
    if (d == nullptr) return false;
    // A new tray host: the icons it will show are asked for anew.
    if (event.type == ClientMessage && event.xclient.window == Root() &&
        event.xclient.message_type == AtomOf("MANAGER") &&
        static_cast<Atom>(event.xclient.data.l[1]) == TraySelection()) {
        for (TrayIcon& icon : s_icons) DestroyIcon(icon);
        s_icons.clear();
        hosted::detail::ForgetTrayIcons();
        const UINT created = RegisterWindowMessageA("TaskbarCreated");
        for (HWND own : OwnTopLevelWindows()) PostMessageA(own, created, 0, 0);
        return true;
    }
    TrayIcon* icon = IconOfWindow(event.xany.window);
    if (icon == nullptr) return false;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) Paint(*icon);
        break;
    case ButtonPress:
    case ButtonRelease:
        if (const UINT message = MouseMessage(event.xbutton.button, event.type == ButtonPress))
            PostMouse(*icon, message);
        break;
    case ReparentNotify:
        // The tray host has gone and handed the icon back to the root: it is
        // no longer shown anywhere.
        if (event.xreparent.parent == Root()) XUnmapWindow(d, icon->window);
        break;
    default:
        break;
    }
    return true;
}

void CloseTray() {
    for (TrayIcon& icon : s_icons) DestroyIcon(icon);
    s_icons.clear();
    if (Display* d = Connection())
        for (auto& entry : s_pictures) {
            XFreePixmap(d, entry.second.colours);
            XFreePixmap(d, entry.second.shape);
        }
    s_pictures.clear();
}

}  // namespace detail
}  // namespace x11
}  // namespace hosted
