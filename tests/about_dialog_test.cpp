// The About dialog in the real program, opened from the tray menu: its
// template, how it closes, the two links, their colours, cursor and font.
#include "app/about_dialog.h"
#include "app/app.h"
#include "app/main_window.h"
#include "resource.h"
#include "support/program.h"

#include <algorithm>
#include <functional>

namespace {

using namespace testing_support;

constexpr DWORD kEditorPid = 100;
constexpr DWORD kBrowserPid = 200;
constexpr int kIdArrow = 32512;
constexpr int kIdHand = 32649;
// The tray click at kOpenAt is handled by the pass at the same moment.
constexpr std::int64_t kOpenAt = kStartMs + 1000;

class AboutDialogTest : public ProgramTest {
protected:
    void SetUp() override {
        ProgramTest::SetUp();
        hosted::AddProcess(kEditorPid, "editor.exe");
        hosted::AddProcess(kBrowserPid, "browser.exe");
        editor_ = hosted::AddForeignWindow("notes.txt - Editor", kEditorPid);
        browser_ = hosted::AddForeignWindow("News - Browser", kBrowserPid);
        hosted::SetForeground(editor_);
    }
    void TearDown() override {
        EXPECT_EQ(hosted::GdiObjectsAlive(hosted::GdiKind::Font), 0) << "a link font was left behind";
        EXPECT_EQ(hosted::GdiObjectsAlive(hosted::GdiKind::DeviceContext), 0);
        EXPECT_EQ(hosted::MenusAlive(), 0);
        EXPECT_EQ(hosted::ActiveDialog(), nullptr);
        ProgramTest::TearDown();
    }
    // Opens About from the tray at `when`.
    static void OpenAboutAt(std::int64_t when) { ChooseFromTrayMenu(when, ID_TRAY_ABOUT); }
    // Acts on the dialog open at `when`.
    static void InDialogAt(std::int64_t when, std::function<void(HWND)> act) {
        hosted::At(when, [act] {
            const HWND dialog = hosted::ActiveDialog();
            ASSERT_NE(dialog, nullptr) << "no dialog open at " << hosted::Now();
            act(dialog);
        });
    }
    static void EscAt(std::int64_t when) {
        InDialogAt(when, [](HWND dialog) { hosted::PressKey(dialog, VK_ESCAPE); });
    }

    HWND editor_{}, browser_{};
};

struct ExpectedControl {
    const char* className;
    int id;
    DWORD style;
    int x, y, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
const ExpectedControl kTemplate[] = {
    {"Static", IDC_PICTURE, kChild | SS_BITMAP | SS_REALSIZEIMAGE | WS_BORDER, 4, 3, 205, 110},
    {"Static", IDC_LINK_URL, kChild | SS_LEFT | SS_NOTIFY | WS_GROUP, 217, 71, 116, 8},
    {"Static", -1, kChild | SS_LEFT | SS_NOPREFIX, 217, 5, 100, 65},
    {"Button", IDC_CLOSE, kChild | BS_DEFPUSHBUTTON | BS_CENTER | WS_TABSTOP | WS_GROUP, 278, 145, 50, 11},
    {"Static", -1, kChild | SS_LEFT | WS_GROUP, 217, 81, 30, 11},
    {"Static", IDC_LINK_MAIL, kChild | SS_LEFT | SS_NOTIFY | WS_GROUP, 247, 81, 50, 9},
    {"Static", IDC_CREDIT, kChild | SS_LEFT | WS_GROUP, 5, 117, 206, 28},
};

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines(1);
    for (char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back() += c;
    }
    return lines;
}

TEST_F(AboutDialogTest, TheDialogAndEveryControlAreAsTheTemplateGivesThem) {
    hosted::WindowInfo dialogInfo;
    std::vector<hosted::WindowInfo> controls;
    BITMAP picture{};
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        dialogInfo = hosted::DescribeWindow(dialog);
        for (HWND control : hosted::ControlsOf(dialog)) controls.push_back(hosted::DescribeWindow(control));
        const HGDIOBJ image = reinterpret_cast<HGDIOBJ>(
            SendDlgItemMessageA(dialog, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0));
        GetObjectA(image, sizeof picture, &picture);
        hosted::PressKey(dialog, VK_ESCAPE);
    });
    QuitAt(kOpenAt + 1000);
    EXPECT_EQ(RunProgram(), 0);

    ASSERT_EQ(hosted::DialogCalls().size(), 1u);
    EXPECT_EQ(hosted::DialogCalls()[0].templateId, IDD_ABOUT);
    EXPECT_EQ(hosted::DialogCalls()[0].owner, MainWindow());
    EXPECT_EQ(hosted::DialogCalls()[0].param, 0);

    EXPECT_EQ(dialogInfo.title, "About");
    EXPECT_EQ(dialogInfo.style & ~static_cast<DWORD>(WS_VISIBLE),
              static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT))
        << "and no WS_POPUP";
    EXPECT_EQ(dialogInfo.owner, MainWindow());
    EXPECT_EQ(dialogInfo.x, 0);
    EXPECT_EQ(dialogInfo.y, 0);
    EXPECT_EQ(dialogInfo.width, 345);
    EXPECT_EQ(dialogInfo.height, 166);
    const LOGFONTA dialogFont = hosted::FontOf(dialogInfo.font);
    EXPECT_STREQ(dialogFont.lfFaceName, "Arial");
    EXPECT_EQ(dialogFont.lfHeight, -12) << "9 points at 96 dpi";

    ASSERT_EQ(controls.size(), std::size(kTemplate));
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ExpectedControl& e = kTemplate[i];
        const hosted::WindowInfo& c = controls[i];
        EXPECT_EQ(c.className, e.className) << "control " << i;
        EXPECT_EQ(c.id, e.id) << "control " << i;
        EXPECT_EQ(c.style, e.style) << "control " << i;
        EXPECT_EQ(c.x, e.x) << "control " << i;
        EXPECT_EQ(c.y, e.y) << "control " << i;
        EXPECT_EQ(c.width, e.width) << "control " << i;
        EXPECT_EQ(c.height, e.height) << "control " << i;
    }
    // Each link shows the very address it opens.
    EXPECT_EQ(controls[0].title, "#138");
    EXPECT_EQ(controls[1].title, "https://horalux.example.org/");
    EXPECT_EQ(controls[3].title, "Close");
    EXPECT_EQ(controls[4].title, "Contact :");
    EXPECT_EQ(controls[5].title, "h@example.org");

    const std::vector<std::string> product = Lines(controls[2].title);
    ASSERT_EQ(product.size(), 8u) << controls[2].title;
    EXPECT_EQ(product[0], "Horalux");
    EXPECT_EQ(product[1], "");
    EXPECT_EQ(product[5], "");
    for (std::size_t i : {2, 3, 4, 6, 7}) EXPECT_FALSE(product[i].empty()) << "product line " << i;

    const std::vector<std::string> credit = Lines(controls[6].title);
    ASSERT_EQ(credit.size(), 2u) << controls[6].title;
    EXPECT_NE(controls[6].title.find("make_artwork.py"), std::string::npos) << "no photograph: our own generator";
    EXPECT_NE(credit[1].find("CC0"), std::string::npos);
    EXPECT_NE(credit[1].find("https://"), std::string::npos) << "the licence's web address";

    EXPECT_EQ(picture.bmWidth, 356) << "the committed about.bmp, not resized";
    EXPECT_EQ(picture.bmHeight, 205);
    EXPECT_EQ(picture.bmBitsPixel, 24);
}

TEST_F(AboutDialogTest, CloseEndsWith1000AndEscAndTheCloseBoxWithCancel) {
    struct Case {
        const char* how;
        std::function<void(HWND)> act;
        INT_PTR result;
    };
    const Case cases[] = {
        {"Close", [](HWND d) { hosted::ClickControl(GetDlgItem(d, IDC_CLOSE)); }, 1000},
        {"Enter on the default button", [](HWND d) { hosted::PressKey(d, VK_RETURN); }, 1000},
        {"Esc", [](HWND d) { hosted::PressKey(d, VK_ESCAPE); }, IDCANCEL},
        {"the close box", [](HWND d) { hosted::ClickCloseBox(d); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        TempWorkDir fresh;
        SetUp();
        std::vector<HWND> windows;
        OpenAboutAt(kOpenAt);
        InDialogAt(kOpenAt + 2000, [&](HWND dialog) {
            windows = hosted::ControlsOf(dialog);
            windows.push_back(dialog);
            c.act(dialog);
        });
        QuitAt(kOpenAt + 3000);
        EXPECT_EQ(RunProgram(), 0) << c.how;
        ASSERT_EQ(hosted::DialogCalls().size(), 1u) << c.how;
        const hosted::DialogCall& call = hosted::DialogCalls()[0];
        EXPECT_TRUE(call.ended) << c.how;
        EXPECT_EQ(call.result, c.result) << c.how;
        EXPECT_EQ(call.closed, kOpenAt + 2000) << c.how;
        EXPECT_TRUE(hosted::ShellExecutes().empty()) << c.how;
        for (HWND w : windows) EXPECT_FALSE(IsWindow(w)) << c.how << ": the dialog and its controls are gone";
        EXPECT_EQ(hosted::GdiObjectsCreated(hosted::GdiKind::Font), 1) << c.how;
        EXPECT_EQ(hosted::GdiObjectsDeleted(hosted::GdiKind::Font), 1) << c.how;
    }
}

TEST_F(AboutDialogTest, AClickOnALinkHandsItsAddressToTheShellAndEndsWithItsId) {
    struct Case {
        int link;
        bool parentIsDialog;
        bool hasVerb;
        const char* verb;
        const char* file;
        INT show;
    };
    const Case cases[] = {
        {IDC_LINK_URL, true, false, "", "https://horalux.example.org/", SW_SHOW},
        {IDC_LINK_MAIL, false, true, "open", "mailto:h@example.org?subject=Zeitprotokoll", SW_HIDE},
    };
    for (const Case& c : cases) {
        TempWorkDir fresh;
        SetUp();
        HWND dialog = nullptr;
        OpenAboutAt(kOpenAt);
        InDialogAt(kOpenAt + 2000, [&](HWND d) {
            dialog = d;
            hosted::ClickControl(GetDlgItem(d, c.link));
        });
        QuitAt(kOpenAt + 3000);
        EXPECT_EQ(RunProgram(), 0);
        ASSERT_EQ(hosted::ShellExecutes().size(), 1u) << c.link;
        const hosted::ShellExecuteCall& call = hosted::ShellExecutes()[0];
        EXPECT_EQ(call.window, c.parentIsDialog ? dialog : nullptr) << c.link;
        EXPECT_EQ(call.hasVerb, c.hasVerb) << c.link;
        EXPECT_EQ(call.verb, c.verb) << c.link;
        EXPECT_EQ(call.file, c.file) << c.link;
        EXPECT_FALSE(call.hasParameters) << c.link;
        EXPECT_FALSE(call.hasDirectory) << c.link;
        EXPECT_EQ(call.show, c.show) << c.link;
        ASSERT_EQ(hosted::DialogCalls().size(), 1u);
        EXPECT_EQ(hosted::DialogCalls()[0].result, c.link);
        EXPECT_EQ(hosted::DialogCalls()[0].closed, kOpenAt + 2000) << "a single click ends it at once";
    }
}

TEST_F(AboutDialogTest, OtherNotificationsOfTheLinksAndClicksElsewhereDoNothing) {
    bool stillOpen = false;
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        for (int link : {IDC_LINK_URL, IDC_LINK_MAIL}) {
            const LPARAM control = reinterpret_cast<LPARAM>(GetDlgItem(dialog, link));
            for (WORD code : {WORD{STN_DBLCLK}, WORD{2}, WORD{0xFFFF}})
                SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(link, code), control);
        }
        // The picture, the product block, the contact label and the credit are
        // no buttons; neither is an unknown id.
        for (HWND control : hosted::ControlsOf(dialog)) {
            const int id = hosted::DescribeWindow(control).id;
            if (id != IDC_LINK_URL && id != IDC_LINK_MAIL && id != IDC_CLOSE) hosted::ClickControl(control);
        }
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(1001, 0), 0);
        stillOpen = hosted::ActiveDialog() == dialog && !hosted::DialogCalls()[0].ended;
        hosted::PressKey(dialog, VK_ESCAPE);
    });
    QuitAt(kOpenAt + 1000);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(hosted::ShellExecutes().empty());
    EXPECT_EQ(hosted::DialogCalls()[0].result, IDCANCEL);
}

TEST_F(AboutDialogTest, OnlyTheLinksAreBlueOnNoBackgroundWithTheHandCursorAndAnUnderlinedFont) {
    struct Seen {
        int id;
        hosted::ControlColours colours;
        int cursor;
        HFONT font;
        WNDPROC proc, classProc;
    };
    std::vector<Seen> seen;
    HFONT dialogFont = nullptr;
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        dialogFont = hosted::DescribeWindow(dialog).font;
        for (HWND control : hosted::ControlsOf(dialog)) {
            const hosted::WindowInfo info = hosted::DescribeWindow(control);
            if (info.className != "Static") continue;
            seen.push_back(Seen{info.id, hosted::AskControlColours(control),
                                hosted::ResourceIdOf(hosted::CursorOver(control)), info.font, info.proc,
                                info.classProc});
        }
        hosted::PressKey(dialog, VK_ESCAPE);
    });
    QuitAt(kOpenAt + 1000);
    EXPECT_EQ(RunProgram(), 0);

    ASSERT_EQ(seen.size(), 6u);
    const HGDIOBJ nullBrush = GetStockObject(NULL_BRUSH);
    for (const Seen& s : seen) {
        const bool link = s.id == IDC_LINK_URL || s.id == IDC_LINK_MAIL;
        EXPECT_EQ(s.colours.handled, link) << s.id;
        EXPECT_EQ(s.cursor, link ? kIdHand : kIdArrow) << s.id;
        if (!link) {
            EXPECT_EQ(s.font, dialogFont) << s.id << " keeps the dialog's font";
            EXPECT_EQ(s.proc, s.classProc) << s.id << " is not subclassed";
            continue;
        }
        EXPECT_EQ(s.colours.text, static_cast<COLORREF>(0x00FF0000)) << s.id;
        EXPECT_EQ(s.colours.bkMode, TRANSPARENT) << s.id;
        EXPECT_EQ(s.colours.brush, nullBrush) << s.id;
        const LOGFONTA font = hosted::FontOf(s.font);
        EXPECT_NE(s.font, dialogFont) << s.id;
        EXPECT_EQ(font.lfUnderline, 1) << s.id;
        EXPECT_STREQ(font.lfFaceName, "Arial") << s.id;
        EXPECT_EQ(font.lfHeight, -12) << s.id << ": the dialog's font, underlined";
        EXPECT_EQ(s.proc, s.id == IDC_LINK_URL ? WNDPROC{UrlLinkProc} : WNDPROC{MailLinkProc}) << s.id;
        EXPECT_EQ(s.id == IDC_LINK_URL ? g_prevUrlLinkProc : g_prevMailLinkProc, s.classProc) << s.id;
    }
    const auto url = std::find_if(seen.begin(), seen.end(), [](const Seen& s) { return s.id == IDC_LINK_URL; });
    const auto mail = std::find_if(seen.begin(), seen.end(), [](const Seen& s) { return s.id == IDC_LINK_MAIL; });
    EXPECT_EQ(url->font, mail->font) << "one link font for both";
}

TEST_F(AboutDialogTest, TheProductBlockShowsAnAmpersandAsItself) {
    std::string raw, shown;
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        const HWND block = hosted::ControlsOf(dialog)[2];
        raw = hosted::DescribeWindow(block).title;
        shown = hosted::DisplayedText(block);
        hosted::PressKey(dialog, VK_ESCAPE);
    });
    QuitAt(kOpenAt + 1000);
    RunProgram();
    ASSERT_NE(raw.find('&'), std::string::npos) << "the product block has an ampersand to show";
    EXPECT_EQ(shown, raw);
}

TEST_F(AboutDialogTest, OpeningItTwiceGivesAFreshFontEachTimeAndLeavesNoneBehind) {
    HFONT first = nullptr, second = nullptr;
    bool firstAliveDuringSecond = true;
    std::vector<std::string> firstTexts, secondTexts;
    const auto look = [](HWND dialog, HFONT* font, std::vector<std::string>* texts) {
        *font = hosted::DescribeWindow(GetDlgItem(dialog, IDC_LINK_URL)).font;
        for (HWND control : hosted::ControlsOf(dialog)) {
            const hosted::WindowInfo info = hosted::DescribeWindow(control);
            texts->push_back(info.className + "|" + std::to_string(info.id) + "|" + std::to_string(info.style) + "|" +
                             info.title);
        }
    };
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        look(dialog, &first, &firstTexts);
        hosted::PressKey(dialog, VK_ESCAPE);
    });
    OpenAboutAt(kOpenAt + 2000);
    InDialogAt(kOpenAt + 2500, [&](HWND dialog) {
        look(dialog, &second, &secondTexts);
        firstAliveDuringSecond = hosted::IsGdiObjectAlive(first);
        hosted::ClickControl(GetDlgItem(dialog, IDC_CLOSE));
    });
    QuitAt(kOpenAt + 3000);
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_FALSE(firstAliveDuringSecond) << "the first dialog deleted its font when it closed";
    EXPECT_FALSE(hosted::IsGdiObjectAlive(second));
    EXPECT_EQ(hosted::GdiObjectsCreated(hosted::GdiKind::Font), 2);
    EXPECT_EQ(hosted::GdiObjectsDeleted(hosted::GdiKind::Font), 2);
    EXPECT_EQ(firstTexts, secondTexts) << "an identical dialog";
}

TEST_F(AboutDialogTest, ASecondAboutOpenedAboveTheFirstKeepsEachDialogsFontItsOwn) {
    // The tray menu still works while the dialog is open.
    HWND outer = nullptr;
    HFONT outerFont = nullptr, innerFont = nullptr;
    bool outerFontAliveAfterInner = false;
    bool outerActiveAgain = false;
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        outer = dialog;
        outerFont = hosted::DescribeWindow(GetDlgItem(dialog, IDC_LINK_URL)).font;
    });
    OpenAboutAt(kOpenAt + 600);
    InDialogAt(kOpenAt + 1000, [&](HWND inner) {
        EXPECT_NE(inner, outer);
        innerFont = hosted::DescribeWindow(GetDlgItem(inner, IDC_LINK_URL)).font;
        hosted::PressKey(inner, VK_ESCAPE);
    });
    InDialogAt(kOpenAt + 1500, [&](HWND dialog) {
        outerActiveAgain = dialog == outer;
        outerFontAliveAfterInner = hosted::IsGdiObjectAlive(outerFont) &&
                                   hosted::DescribeWindow(GetDlgItem(dialog, IDC_LINK_MAIL)).font == outerFont;
        hosted::PressKey(dialog, VK_ESCAPE);
    });
    QuitAt(kOpenAt + 2000);
    EXPECT_EQ(RunProgram(), 0);
    ASSERT_EQ(hosted::DialogCalls().size(), 2u);
    EXPECT_NE(outerFont, innerFont);
    EXPECT_TRUE(outerActiveAgain);
    EXPECT_TRUE(outerFontAliveAfterInner) << "closing the inner dialog left the outer one's font alone";
    EXPECT_EQ(hosted::GdiObjectsDeleted(hosted::GdiKind::Font), 2);
}

TEST_F(AboutDialogTest, ALinkFontThatCannotBeMadeLeavesTheLinksBlueWithTheHandCursor) {
    hosted::FailFontCreation(1);
    HFONT linkFont = reinterpret_cast<HFONT>(1);
    hosted::ControlColours colours{};
    int cursor = 0;
    OpenAboutAt(kOpenAt);
    InDialogAt(kOpenAt + 500, [&](HWND dialog) {
        const HWND link = GetDlgItem(dialog, IDC_LINK_MAIL);
        linkFont = hosted::DescribeWindow(link).font;
        colours = hosted::AskControlColours(link);
        cursor = hosted::ResourceIdOf(hosted::CursorOver(link));
        hosted::ClickControl(link);
    });
    QuitAt(kOpenAt + 1000);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(linkFont, nullptr) << "the system's font";
    EXPECT_TRUE(colours.handled);
    EXPECT_EQ(colours.text, static_cast<COLORREF>(0x00FF0000));
    EXPECT_EQ(cursor, kIdHand);
    EXPECT_EQ(hosted::DialogCalls()[0].result, IDC_LINK_MAIL);
}

TEST_F(AboutDialogTest, AnOpenDialogHoldsTheLoopAndTheNextPassTicksAtOnce) {
    const std::int64_t openAt = TickAt(1) + 250;  // the pass after the click
    const std::int64_t closeAt = openAt + 60000;
    OpenAboutAt(TickAt(1) + 100);
    hosted::At(openAt + 200, [this] { hosted::SetForeground(browser_); });
    EscAt(closeAt);
    QuitAt(closeAt + 5000);
    EXPECT_EQ(RunProgram(), 0);
    EXPECT_EQ(hosted::DialogCalls()[0].opened, openAt);
    EXPECT_EQ(hosted::DialogCalls()[0].closed, closeAt);
    // The tick after the dialog sees the minute as a gap since the last one.
    EXPECT_EQ(Journal(), Started(ClockAt(kStartMs)) + Record(ClockAt(TickAt(1)), "notes.txt - Editor", "editor.exe") +
                             Record(ClockAt(TickAt(1)), "Tracking interrupted", "-") +
                             Record(ClockAt(closeAt), "News - Browser", "browser.exe") +
                             Quit(ClockAt(closeAt + 5000 + 250)));
}

}  // namespace
