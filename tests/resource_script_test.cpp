// The hosted layer reads res/horalux.rc itself; windres compiles the same
// script into horalux.exe. Here the compiled resources (a .res file made by
// windres at build time) are held against the hosted dialog and pictures, so
// the dialog the tests drive is the one Windows shows.
#include "resource.h"
#include "support/program.h"

#include <cstdint>
#include <map>
#include <strings.h>

namespace {

using namespace testing_support;

#ifdef HX_WINDRES_RES

constexpr std::uint16_t kTypeBitmap = 2;
constexpr std::uint16_t kTypeDialog = 5;
constexpr std::uint16_t kTypeGroupIcon = 14;

// A .res file: entries of type and name (ordinals here) and their data.
class ResFile {
public:
    explicit ResFile(const std::string& bytes) : b_(bytes) {
        std::size_t at = 0;
        while (at + 8 <= b_.size()) {
            const std::uint32_t dataSize = U32(at);
            const std::uint32_t headerSize = U32(at + 4);
            std::size_t p = at + 8;
            const int type = Ordinal(&p);
            const int name = Ordinal(&p);
            if (type >= 0 && name >= 0) entries_[{type, name}] = b_.substr(at + headerSize, dataSize);
            at = (at + headerSize + dataSize + 3) & ~std::size_t{3};
        }
    }
    const std::string* Find(int type, int name) const {
        const auto it = entries_.find({type, name});
        return it == entries_.end() ? nullptr : &it->second;
    }

private:
    std::uint32_t U32(std::size_t at) const {
        return static_cast<std::uint8_t>(b_[at]) | static_cast<std::uint8_t>(b_[at + 1]) << 8 |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(b_[at + 2])) << 16 |
               static_cast<std::uint32_t>(static_cast<std::uint8_t>(b_[at + 3])) << 24;
    }
    // An ordinal, or -1 for a name given as text (skipped).
    int Ordinal(std::size_t* p) const {
        const auto word = [this](std::size_t at) {
            return static_cast<int>(static_cast<std::uint8_t>(b_[at]) | static_cast<std::uint8_t>(b_[at + 1]) << 8);
        };
        if (word(*p) == 0xFFFF) {
            const int value = word(*p + 2);
            *p += 4;
            return value;
        }
        while (word(*p) != 0) *p += 2;
        *p += 2;
        return -1;
    }

    std::string b_;
    std::map<std::pair<int, int>, std::string> entries_;
};

// Reads the little-endian fields of a DIALOGEX template in order.
class Reader {
public:
    explicit Reader(const std::string& data) : d_(data) {}
    std::uint16_t Word() {
        const std::uint16_t v = static_cast<std::uint16_t>(static_cast<std::uint8_t>(d_[p_]) |
                                                           static_cast<std::uint8_t>(d_[p_ + 1]) << 8);
        p_ += 2;
        return v;
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(d_[p_++]); }
    // A name or ordinal field; an ordinal is returned as "#n".
    std::string Text() {
        std::string s;
        std::uint16_t c = Word();
        if (c == 0xFFFF) return "#" + std::to_string(Word());
        for (; c != 0; c = Word()) s += static_cast<char>(c);
        return s;
    }
    void AlignDword() { p_ = (p_ + 3) & ~std::size_t{3}; }
    void Skip(std::size_t n) { p_ += n; }

private:
    const std::string& d_;
    std::size_t p_ = 0;
};

struct Item {
    std::string className, text;
    int id;
    DWORD style, exStyle;
    int x, y, width, height;
};

std::string ClassName(const std::string& raw) {
    if (raw == "#128") return "Button";
    if (raw == "#130") return "Static";
    return raw;
}

const ResFile& Compiled() {
    static const ResFile res(ReadFile(HX_WINDRES_RES));
    return res;
}

// Captures the hosted dialog at its start and ends it.
hosted::WindowInfo g_dialog;
std::vector<hosted::WindowInfo> g_controls;

INT_PTR CALLBACK CaptureProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return FALSE;
    g_dialog = hosted::DescribeWindow(dialog);
    g_controls.clear();
    for (HWND control : hosted::ControlsOf(dialog)) g_controls.push_back(hosted::DescribeWindow(control));
    EndDialog(dialog, IDOK);
    return FALSE;
}

class ResourceScriptTest : public ProgramTest {};

TEST_F(ResourceScriptTest, TheHostedAboutDialogIsTheOneWindresCompiles) {
    const std::string* data = Compiled().Find(kTypeDialog, IDD_ABOUT);
    ASSERT_NE(data, nullptr) << "windres made no IDD_ABOUT";
    Reader r(*data);
    ASSERT_EQ(r.Word(), 1) << "DIALOGEX";
    ASSERT_EQ(r.Word(), 0xFFFF);
    r.Dword();  // help id
    const DWORD exStyle = r.Dword();
    const DWORD style = r.Dword();
    const int count = r.Word();
    const int x = r.Short(), y = r.Short(), width = r.Short(), height = r.Short();
    EXPECT_EQ(r.Text(), "") << "no menu";
    EXPECT_EQ(r.Text(), "") << "the system's dialog class";
    const std::string caption = r.Text();
    const int points = r.Word();
    r.Word();  // weight
    r.Byte();  // italic
    r.Byte();  // charset
    const std::string face = r.Text();
    std::vector<Item> items;
    for (int i = 0; i < count; ++i) {
        r.AlignDword();
        Item item{};
        r.Dword();  // help id
        item.exStyle = r.Dword();
        item.style = r.Dword();
        item.x = r.Short();
        item.y = r.Short();
        item.width = r.Short();
        item.height = r.Short();
        item.id = static_cast<std::int32_t>(r.Dword());
        item.className = ClassName(r.Text());
        item.text = r.Text();
        r.Skip(r.Word());  // creation data
        items.push_back(item);
    }

    ASSERT_EQ(DialogBoxParamA(hosted::ModuleInstance(), MAKEINTRESOURCEA(IDD_ABOUT), nullptr, CaptureProc, 0), IDOK);
    EXPECT_EQ(g_dialog.title, caption);
    EXPECT_EQ(g_dialog.style, style) << "shown only after WM_INITDIALOG, so no WS_VISIBLE on either side";
    EXPECT_EQ(exStyle, 0u);
    EXPECT_EQ(g_dialog.x, x);
    EXPECT_EQ(g_dialog.y, y);
    EXPECT_EQ(g_dialog.width, width);
    EXPECT_EQ(g_dialog.height, height);
    const LOGFONTA font = hosted::FontOf(g_dialog.font);
    EXPECT_EQ(font.lfFaceName, face);
    EXPECT_EQ(font.lfHeight, -(points * 96 + 36) / 72);

    ASSERT_EQ(g_controls.size(), items.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Item& e = items[i];
        const hosted::WindowInfo& c = g_controls[i];
        EXPECT_EQ(strcasecmp(c.className.c_str(), e.className.c_str()), 0) << i << ": " << c.className;
        EXPECT_EQ(c.id, e.id) << i;
        EXPECT_EQ(c.style, e.style) << i;
        EXPECT_EQ(e.exStyle, 0u) << i;
        EXPECT_EQ(c.x, e.x) << i;
        EXPECT_EQ(c.y, e.y) << i;
        EXPECT_EQ(c.width, e.width) << i;
        EXPECT_EQ(c.height, e.height) << i;
        EXPECT_EQ(c.title, e.text) << i;
    }
}

TEST_F(ResourceScriptTest, ThePicturesAndIconsAreTheCommittedFiles) {
    const struct {
        int id;
        const char* file;
        int width, height;
    } pictures[] = {{IDB_SPLASH, "splash.bmp", 357, 205}, {IDB_ABOUT, "about.bmp", 356, 205}};
    for (const auto& p : pictures) {
        const std::string* data = Compiled().Find(kTypeBitmap, p.id);
        ASSERT_NE(data, nullptr) << p.file;
        // A bitmap resource is the file without its 14-byte file header.
        EXPECT_EQ(*data, ReadFile(std::string(HX_RES_DIR) + "/" + p.file).substr(14)) << p.file;
        HANDLE image = LoadImageA(hosted::ModuleInstance(), MAKEINTRESOURCEA(p.id), IMAGE_BITMAP, 0, 0,
                                  LR_CREATEDIBSECTION);
        BITMAP bm{};
        GetObjectA(image, sizeof bm, &bm);
        EXPECT_EQ(bm.bmWidth, p.width) << p.file;
        EXPECT_EQ(bm.bmHeight, p.height) << p.file;
        EXPECT_EQ(bm.bmBitsPixel, 24) << p.file;
        DeleteObject(image);
    }
    for (const int icon : {IDI_MAIN, IDI_TRACKING, IDI_PAUSED}) {
        EXPECT_NE(Compiled().Find(kTypeGroupIcon, icon), nullptr) << icon;
        EXPECT_NE(LoadIconA(hosted::ModuleInstance(), MAKEINTRESOURCEA(icon)), nullptr) << icon;
    }
    EXPECT_EQ(LoadIconA(hosted::ModuleInstance(), MAKEINTRESOURCEA(IDI_PAUSED + 1)), nullptr)
        << "an icon the script does not name";
}

#else

TEST(ResourceScriptTest, NeedsWindres) {
    GTEST_SKIP() << "x86_64-w64-mingw32-windres was not found at configure time";
}

#endif

}  // namespace
