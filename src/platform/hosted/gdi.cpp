// Graphics objects of the hosted layer: device contexts, bitmaps loaded from
// the embedded resources, fonts and stock objects, painting and BitBlt.
//
// Every object the program makes is counted when made and when deleted, so a
// leaked font or memory context shows in a test; the layer's own objects
// (paint contexts, the dialog font, stock objects) are kept apart. Objects
// obey the rules that make leaks on Windows: a bitmap still selected into a
// context cannot be deleted, a context is not deleted with DeleteObject.
#include "resources.h"
#include "state.h"

#include <cstring>

namespace hosted {
namespace {

struct GdiObject {
    GdiKind kind = GdiKind::Bitmap;
    bool alive = true;
    bool stock = false;
    bool system = false;
    // Bitmaps
    int width = 0, height = 0, bitsPerPixel = 0;
    bool dibSection = false;
    std::vector<unsigned char> bits;
    HDC selectedInto = nullptr;
    // Fonts
    LOGFONTA font{};
    // Device contexts
    HWND window = nullptr;
    bool paint = false;
    HGDIOBJ bitmap = nullptr;
    HGDIOBJ selectedFont = nullptr;
    HGDIOBJ brush = nullptr;
    COLORREF textColour = 0;
    int bkMode = OPAQUE;
};

constexpr std::uintptr_t kGdiHandleBase = 0x500000;
constexpr COLORREF kInvalidColour = 0xFFFFFFFF;

std::vector<GdiObject> s_objects;
int s_created[4];
int s_deleted[4];
int s_openPaints = 0;
int s_deletedHolding = 0;
int s_failFonts = 0;
std::vector<ImageLoad> s_imageLoads;
std::vector<BitBltCall> s_bitBlts;
HGDIOBJ s_stockNullBrush = nullptr;
HGDIOBJ s_stockWhiteBrush = nullptr;
HGDIOBJ s_stockSystemFont = nullptr;
HGDIOBJ s_stockGuiFont = nullptr;
HGDIOBJ s_stockBitmap = nullptr;  // the 1 x 1 bitmap of a fresh memory context
HGDIOBJ s_dialogBrush = nullptr;

int Slot(GdiKind kind) {
    return static_cast<int>(kind);
}

HGDIOBJ HandleOf(std::size_t index) {
    return reinterpret_cast<HGDIOBJ>(kGdiHandleBase + (index + 1) * 16);
}

GdiObject* Object(const void* handle) {
    const std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
    if (value <= kGdiHandleBase || (value - kGdiHandleBase) % 16 != 0) return nullptr;
    const std::size_t index = (value - kGdiHandleBase) / 16 - 1;
    return index < s_objects.size() ? &s_objects[index] : nullptr;
}

GdiObject* Alive(const void* handle) {
    GdiObject* o = Object(handle);
    return o != nullptr && o->alive ? o : nullptr;
}

GdiObject* AliveDC(HDC dc) {
    GdiObject* o = Alive(dc);
    return o != nullptr && o->kind == GdiKind::DeviceContext ? o : nullptr;
}

HGDIOBJ Make(GdiObject object) {
    if (!object.stock && !object.system) ++s_created[Slot(object.kind)];
    s_objects.push_back(std::move(object));
    return HandleOf(s_objects.size() - 1);
}

LOGFONTA Font(LONG height, LONG weight, BYTE charSet, const char* face) {
    LOGFONTA f{};
    f.lfHeight = height;
    f.lfWeight = weight;
    f.lfCharSet = charSet;
    std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
    return f;
}

HGDIOBJ MakeStock(GdiKind kind) {
    GdiObject o;
    o.kind = kind;
    o.stock = true;
    return Make(o);
}

void MakeStockObjects() {
    s_stockNullBrush = MakeStock(GdiKind::Brush);
    s_stockWhiteBrush = MakeStock(GdiKind::Brush);
    s_stockSystemFont = MakeStock(GdiKind::Font);
    Object(s_stockSystemFont)->font = Font(16, FW_BOLD, 0, "System");
    s_stockGuiFont = MakeStock(GdiKind::Font);
    Object(s_stockGuiFont)->font = Font(-11, FW_NORMAL, 0, "MS Shell Dlg");
    s_dialogBrush = MakeStock(GdiKind::Brush);
    s_stockBitmap = MakeStock(GdiKind::Bitmap);
    GdiObject* bitmap = Object(s_stockBitmap);
    bitmap->width = 1;
    bitmap->height = 1;
    bitmap->bitsPerPixel = 1;
}

HDC MakeDC(HWND window, bool paint, bool system) {
    GdiObject o;
    o.kind = GdiKind::DeviceContext;
    o.system = system;
    o.window = window;
    o.paint = paint;
    o.bitmap = paint ? nullptr : s_stockBitmap;
    o.selectedFont = s_stockSystemFont;
    o.brush = s_stockWhiteBrush;
    return static_cast<HDC>(Make(o));
}

void ReleaseSelection(GdiObject& dc) {
    if (GdiObject* bitmap = Object(dc.bitmap)) bitmap->selectedInto = nullptr;
}

std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint16_t U16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// A bitmap object from a .bmp file: its file and information headers give
// the size and depth, as the resource loader reads them.
HGDIOBJ BitmapFromFile(const detail::EmbeddedFile& file, int cx, int cy, UINT flags, bool system) {
    constexpr std::size_t kFileHeader = 14;
    constexpr std::size_t kInfoHeader = 40;
    const unsigned char* b = file.bytes;
    if (file.size < kFileHeader + kInfoHeader || b[0] != 'B' || b[1] != 'M') return nullptr;
    const std::uint32_t pixelsAt = U32(b + 10);
    const std::int32_t width = static_cast<std::int32_t>(U32(b + 18));
    const std::int32_t height = static_cast<std::int32_t>(U32(b + 22));
    const int bitsPerPixel = U16(b + 28);
    if (width <= 0 || height == 0 || bitsPerPixel == 0) return nullptr;
    GdiObject o;
    o.kind = GdiKind::Bitmap;
    o.system = system;
    o.width = cx > 0 ? cx : width;
    o.height = cy > 0 ? cy : (height < 0 ? -height : height);
    o.bitsPerPixel = bitsPerPixel;
    o.dibSection = (flags & LR_CREATEDIBSECTION) != 0;
    if (o.dibSection && pixelsAt < file.size) o.bits.assign(b + pixelsAt, b + file.size);
    return Make(std::move(o));
}

}  // namespace

namespace detail {

void ResetGdi() {
    s_objects.clear();
    for (int& n : s_created) n = 0;
    for (int& n : s_deleted) n = 0;
    s_openPaints = 0;
    s_deletedHolding = 0;
    s_failFonts = 0;
    s_imageLoads.clear();
    s_bitBlts.clear();
    MakeStockObjects();
}

HDC MakeSystemDC(HWND window) {
    return MakeDC(window, false, true);
}

void DeleteSystemDC(HDC dc) {
    if (GdiObject* o = AliveDC(dc)) {
        ReleaseSelection(*o);
        o->alive = false;
    }
}

HBITMAP LoadBitmapResource(int id, int width, int height, UINT flags, bool system) {
    const EmbeddedFile* file = BitmapFile(id);
    if (file == nullptr) return nullptr;
    return static_cast<HBITMAP>(BitmapFromFile(*file, width, height, flags, system));
}

HGDIOBJ DialogBackgroundBrush() {
    return s_dialogBrush;
}

HFONT MakeSystemFont(const LOGFONTA& font) {
    GdiObject o;
    o.kind = GdiKind::Font;
    o.system = true;
    o.font = font;
    return static_cast<HFONT>(Make(o));
}

void DeleteSystemObject(HGDIOBJ object) {
    GdiObject* o = Alive(object);
    if (o != nullptr && o->system) o->alive = false;
}

}  // namespace detail

int GdiObjectsCreated(GdiKind kind) {
    return s_created[Slot(kind)];
}

int GdiObjectsDeleted(GdiKind kind) {
    return s_deleted[Slot(kind)];
}

int GdiObjectsAlive(GdiKind kind) {
    return s_created[Slot(kind)] - s_deleted[Slot(kind)];
}

bool IsGdiObjectAlive(HGDIOBJ object) {
    return Alive(object) != nullptr;
}

LOGFONTA FontOf(HGDIOBJ font) {
    const GdiObject* o = Object(font);
    return o != nullptr && o->kind == GdiKind::Font ? o->font : LOGFONTA{};
}

void FailFontCreation(int times) {
    s_failFonts = times;
}

int OpenPaintContexts() {
    return s_openPaints;
}

int ContextsDeletedHoldingObjects() {
    return s_deletedHolding;
}

const std::vector<ImageLoad>& ImageLoads() {
    return s_imageLoads;
}

const std::vector<BitBltCall>& BitBlts() {
    return s_bitBlts;
}

}  // namespace hosted

using hosted::AliveDC;
using hosted::GdiKind;

HANDLE WINAPI LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT flags) {
    const std::uintptr_t id = reinterpret_cast<std::uintptr_t>(name);
    HANDLE image = nullptr;
    // Only the program's own numbered bitmaps are there to load.
    if (instance == hosted::ModuleInstance() && type == IMAGE_BITMAP && id != 0 && id <= 0xFFFF &&
        (flags & LR_LOADFROMFILE) == 0)
        image = hosted::detail::LoadBitmapResource(static_cast<int>(id), cx, cy, flags, false);
    hosted::ImageLoad load{};
    load.resourceId = id <= 0xFFFF ? static_cast<int>(id) : -1;
    load.type = type;
    load.cx = cx;
    load.cy = cy;
    load.flags = flags;
    load.image = image;
    if (const hosted::GdiObject* o = hosted::Object(image)) {
        load.width = o->width;
        load.height = o->height;
        load.bitsPerPixel = o->bitsPerPixel;
    }
    load.when = hosted::Now();
    hosted::s_imageLoads.push_back(load);
    return image;
}

HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    hosted::detail::Window* w = hosted::detail::FindWindowRecord(hwnd);
    if (w == nullptr || paint == nullptr) return nullptr;
    w->needsPaint = false;  // the update region is validated
    HDC dc = hosted::MakeDC(hwnd, true, true);
    *paint = PAINTSTRUCT{};
    paint->hdc = dc;
    paint->rcPaint = RECT{0, 0, w->width, w->height};
    ++hosted::s_openPaints;
    return dc;
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (paint == nullptr) return FALSE;
    hosted::GdiObject* dc = AliveDC(paint->hdc);
    if (dc == nullptr || !dc->paint || dc->window != hwnd) return FALSE;
    hosted::ReleaseSelection(*dc);
    dc->alive = false;
    --hosted::s_openPaints;
    return TRUE;
}

HDC WINAPI CreateCompatibleDC(HDC dc) {
    if (dc != nullptr && AliveDC(dc) == nullptr) return nullptr;
    return hosted::MakeDC(nullptr, false, false);
}

BOOL WINAPI DeleteDC(HDC dc) {
    hosted::GdiObject* o = AliveDC(dc);
    if (o == nullptr || o->paint) return FALSE;  // a paint context ends with EndPaint
    const hosted::GdiObject* bitmap = hosted::Object(o->bitmap);
    const hosted::GdiObject* font = hosted::Object(o->selectedFont);
    if ((bitmap != nullptr && !bitmap->stock) || (font != nullptr && !font->stock)) ++hosted::s_deletedHolding;
    hosted::ReleaseSelection(*o);
    o->alive = false;
    if (!o->system) ++hosted::s_deleted[hosted::Slot(GdiKind::DeviceContext)];
    return TRUE;
}

HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    hosted::GdiObject* target = AliveDC(dc);
    hosted::GdiObject* o = hosted::Alive(object);
    if (target == nullptr || o == nullptr) return nullptr;
    HGDIOBJ previous = nullptr;
    switch (o->kind) {
    case GdiKind::Bitmap:
        // Only into a memory context, and into one at a time.
        if (target->paint || target->window != nullptr) return nullptr;
        if (o->selectedInto != nullptr && o->selectedInto != dc && !o->stock) return nullptr;
        previous = target->bitmap;
        hosted::ReleaseSelection(*target);
        target->bitmap = object;
        if (!o->stock) o->selectedInto = dc;
        return previous;
    case GdiKind::Font:
        previous = target->selectedFont;
        target->selectedFont = object;
        return previous;
    case GdiKind::Brush:
        previous = target->brush;
        target->brush = object;
        return previous;
    default:
        return nullptr;
    }
}

BOOL WINAPI DeleteObject(HGDIOBJ object) {
    hosted::GdiObject* o = hosted::Alive(object);
    if (o == nullptr || o->kind == GdiKind::DeviceContext) return FALSE;
    if (o->stock) return TRUE;  // stock objects are never deleted
    if (o->selectedInto != nullptr && AliveDC(o->selectedInto) != nullptr) return FALSE;
    o->alive = false;
    if (!o->system) ++hosted::s_deleted[hosted::Slot(o->kind)];
    return TRUE;
}

int WINAPI GetObjectA(HANDLE object, int size, LPVOID buffer) {
    const hosted::GdiObject* o = hosted::Alive(object);
    if (o == nullptr || size < 0) return 0;
    if (o->kind == GdiKind::Bitmap) {
        if (buffer == nullptr) return static_cast<int>(sizeof(BITMAP));
        BITMAP bm{};
        bm.bmWidth = o->width;
        bm.bmHeight = o->height;
        // DIB sections keep rows in 32-bit units, device bitmaps in 16-bit ones.
        const int rowBits = o->width * o->bitsPerPixel;
        bm.bmWidthBytes = o->dibSection ? (rowBits + 31) / 32 * 4 : (rowBits + 15) / 16 * 2;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(o->bitsPerPixel);
        bm.bmBits = o->dibSection && !o->bits.empty() ? const_cast<unsigned char*>(o->bits.data()) : nullptr;
        const std::size_t n = static_cast<std::size_t>(size) < sizeof bm ? static_cast<std::size_t>(size) : sizeof bm;
        std::memcpy(buffer, &bm, n);
        return static_cast<int>(n);
    }
    if (o->kind == GdiKind::Font) {
        if (buffer == nullptr) return static_cast<int>(sizeof(LOGFONTA));
        const std::size_t n =
            static_cast<std::size_t>(size) < sizeof o->font ? static_cast<std::size_t>(size) : sizeof o->font;
        std::memcpy(buffer, &o->font, n);
        return static_cast<int>(n);
    }
    return 0;
}

HGDIOBJ WINAPI GetStockObject(int index) {
    switch (index) {
    case NULL_BRUSH:
        return hosted::s_stockNullBrush;
    case WHITE_BRUSH:
        return hosted::s_stockWhiteBrush;
    case SYSTEM_FONT:
        return hosted::s_stockSystemFont;
    case DEFAULT_GUI_FONT:
        return hosted::s_stockGuiFont;
    default:
        return nullptr;
    }
}

HFONT WINAPI CreateFontIndirectA(const LOGFONTA* font) {
    if (font == nullptr) return nullptr;
    if (hosted::s_failFonts != 0) {
        if (hosted::s_failFonts > 0) --hosted::s_failFonts;
        return nullptr;
    }
    hosted::GdiObject o;
    o.kind = GdiKind::Font;
    o.font = *font;
    return static_cast<HFONT>(hosted::Make(o));
}

BOOL WINAPI BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                   DWORD rop) {
    const hosted::GdiObject* to = AliveDC(dest);
    const hosted::GdiObject* from = AliveDC(source);
    if (to == nullptr || (from == nullptr && source != nullptr)) return FALSE;
    hosted::BitBltCall call{};
    call.dest = dest;
    call.destWindow = to->window;
    if (const hosted::detail::Window* w = hosted::detail::FindWindowRecord(to->window))
        call.destVisible = w->visible;
    call.x = x;
    call.y = y;
    call.width = width;
    call.height = height;
    call.source = source;
    if (from != nullptr) {
        call.sourceBitmap = from->bitmap;
        if (const hosted::GdiObject* bitmap = hosted::Object(from->bitmap)) {
            call.sourceBitmapWidth = bitmap->width;
            call.sourceBitmapHeight = bitmap->height;
        }
    }
    call.sourceX = sourceX;
    call.sourceY = sourceY;
    call.rop = rop;
    call.when = hosted::Now();
    hosted::s_bitBlts.push_back(call);
    return TRUE;
}

COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour) {
    hosted::GdiObject* o = AliveDC(dc);
    if (o == nullptr) return hosted::kInvalidColour;
    const COLORREF previous = o->textColour;
    o->textColour = colour;
    return previous;
}

int WINAPI SetBkMode(HDC dc, int mode) {
    hosted::GdiObject* o = AliveDC(dc);
    if (o == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = o->bkMode;
    o->bkMode = mode;
    return previous;
}

namespace hosted {
namespace detail {

// What a control's colour query left in its context.
void ReadDCColours(HDC dc, COLORREF* text, int* bkMode) {
    if (const GdiObject* o = AliveDC(dc)) {
        *text = o->textColour;
        *bkMode = o->bkMode;
    }
}

}  // namespace detail
}  // namespace hosted
