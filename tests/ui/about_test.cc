// The about box, the hyperlink control and the browser panel, driven in
// process as a user would: real windows, real message boxes.
#include <windows.h>
// After windows.h.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/builtin_texts.h"
#include "app/language.h"
#include "app/product_profile.h"
#include "foundation/path_util.h"
#include "platform/platform.h"
#include "platform/testing.h"
#include "platform/win32/shell.h"
#include "support/temp_dir.h"
#include "ui/about_resource.h"
#include "ui/dlg_about.h"
#include "ui/explorer1.h"
#include "ui/hyper_link.h"
#include "ui/web_browser.h"

namespace copyloom::ui {
namespace {

using platform::RegRoot;

std::wstring Text(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return buffer;
}

RECT RectInParent(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// Runs `step` from a timer while the thread sits in a modal loop; `step`
// answers true when it is done.
class ModalDriver {
 public:
  explicit ModalDriver(std::function<bool()> step) : step_(std::move(step)) {
    current_ = this;
    timer_ = SetTimer(nullptr, 0, 20, &ModalDriver::Tick);
  }
  ~ModalDriver() {
    KillTimer(nullptr, timer_);
    current_ = nullptr;
  }

 private:
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    if (current_ && !current_->done_ && !current_->busy_) {
      current_->busy_ = true;
      current_->done_ = current_->step_();
      current_->busy_ = false;
    }
  }
  static inline ModalDriver* current_ = nullptr;
  std::function<bool()> step_;
  UINT_PTR timer_ = 0;
  bool done_ = false;
  bool busy_ = false;
};

// The visible message box of this thread, if any.
HWND FindMessageBox() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM out) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (std::wstring(name) == L"#32770" && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 0xFFFF)) {
          *reinterpret_cast<HWND*>(out) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

class AboutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitProductProfile();
    SetLanguageIndex(kEnglish);
  }
  void TearDown() override {
    platform::testing::SetShellCalls({});
    SetLanguageIndex(kEnglish);
  }
};

TEST_F(AboutTest, BoxShowsTheProfileInEachLanguage) {
  const ProductProfile& profile = TheProfile();
  for (int language : {kEnglish, kChinese}) {
    SCOPED_TRACE(language);
    SetLanguageIndex(language);
    CDlgAbout about(nullptr);
    ModalDriver driver([&] {
      HWND box = about.hwnd();
      if (!box || !IsWindowVisible(box)) return false;
      EXPECT_EQ(Text(box), profile.display_name);
      EXPECT_EQ(Text(GetDlgItem(box, IDC_ABOUT_TITLE_LINK)), profile.title_text);
      EXPECT_EQ(Text(GetDlgItem(box, IDC_ABOUT_SITE_LINK)), profile.caption_pair);
      EXPECT_EQ(Text(GetDlgItem(box, IDOK)), LookupBuiltInText(kEntryOkCaption, language));
      EXPECT_EQ(Text(GetDlgItem(box, IDC_ABOUT_EMAIL)), L"Email:" + profile.contact_email);
      EXPECT_EQ(Text(GetDlgItem(box, IDC_ABOUT_MESSENGER)), L"QQ:" + profile.contact_messenger);
      bool chinese = language == kChinese;
      EXPECT_EQ(IsWindowVisible(GetDlgItem(box, IDC_ABOUT_MESSENGER)) != 0, chinese);
      EXPECT_EQ(IsWindowVisible(GetDlgItem(box, IDC_ABOUT_LOGO_CN)) != 0, chinese);
      EXPECT_EQ(IsWindowVisible(GetDlgItem(box, IDC_ABOUT_LOGO_EN)) != 0, !chinese);
      EXPECT_EQ(about.SiteLink().GetURL(), profile.site_address);
      EXPECT_EQ(about.TitleLink().GetURL(), profile.second_web_address);
      // The links were sized to the texts set after they were attached.
      RECT rect = RectInParent(about.TitleLink().hwnd());
      EXPECT_GT(rect.right - rect.left, 20);
      SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
      return true;
    });
    EXPECT_EQ(about.DoModal(), IDOK);
  }
}

// A link on a plain popup parent, as a dialog would hold it.
class LinkTest : public AboutTest {
 protected:
  void SetUp() override {
    AboutTest::SetUp();
    parent_ = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 200,
                              nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent_);
  }
  void TearDown() override {
    link_.reset();
    DestroyWindow(parent_);
    AboutTest::TearDown();
  }
  HWND MakeLink(DWORD style, const wchar_t* text = L"Copyloom web site") {
    HWND control = CreateWindowExW(0, L"STATIC", text, WS_CHILD | WS_VISIBLE | style, 100, 50, 200,
                                   40, parent_, nullptr, nullptr, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    link_ = std::make_unique<CHyperLink>();
    EXPECT_TRUE(link_->Attach(control));
    return control;
  }
  SIZE TextExtent(HWND control) {
    HDC dc = GetDC(control);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    std::wstring text = Text(control);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size;
  }
  COLORREF DrawnColour(HWND control) {
    HDC dc = GetDC(control);
    LRESULT brush = SendMessageW(parent_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(control));
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH)));
    COLORREF colour = GetTextColor(dc);
    ReleaseDC(control, dc);
    return colour;
  }
  // As the mouse does it: the control reports the click to its parent.
  void Click(HWND control) {
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageW(control, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  }

  HWND parent_ = nullptr;
  std::unique_ptr<CHyperLink> link_;
};

TEST_F(LinkTest, ResizesToItsTextByAlignment) {
  // Control at x 100..300, y 50..90: which edges stay depends on the style.
  struct Case {
    DWORD style;
    int kept_x;  // 0 left edge, 1 centre, 2 right edge
    bool centre_y;
  } cases[] = {{SS_LEFT, 0, false},
               {SS_CENTER, 1, false},
               {SS_RIGHT, 2, false},
               {SS_LEFT | SS_CENTERIMAGE, 0, true},
               {SS_RIGHT | SS_CENTERIMAGE, 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.style);
    HWND control = MakeLink(c.style);
    EXPECT_TRUE(GetWindowLongPtrW(control, GWL_STYLE) & SS_NOTIFY);
    SIZE text = TextExtent(control);
    RECT rect = RectInParent(control);
    EXPECT_EQ(rect.right - rect.left, text.cx);
    EXPECT_EQ(rect.bottom - rect.top, text.cy);
    int x_kept[] = {rect.left, (rect.left + rect.right + 1) / 2, rect.right};
    int x_wanted[] = {100, 200, 300};
    EXPECT_NEAR(x_kept[c.kept_x], x_wanted[c.kept_x], 1);
    EXPECT_NEAR(c.centre_y ? (rect.top + rect.bottom) / 2 : rect.top, c.centre_y ? 70 : 50, 1);
    DestroyWindow(control);
  }
  // A new text is a new size.
  HWND control = MakeLink(SS_LEFT, L"short");
  LONG before = RectInParent(control).right;
  SetWindowTextW(control, L"a much longer link text than before");
  EXPECT_GT(RectInParent(control).right, before);
}

TEST_F(LinkTest, HoverCaptureVisitedAndFailureColours) {
  HWND control = MakeLink(SS_LEFT);
  EXPECT_EQ(link_->GetURL(), L"Copyloom web site");  // the url came from the text
  EXPECT_EQ(DrawnColour(control), CHyperLink::kLinkColour);

  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(link_->IsHovering());
  EXPECT_EQ(GetCapture(), control);
  EXPECT_EQ(DrawnColour(control), CHyperLink::kHoverColour);
  SendMessageW(control, WM_MOUSEMOVE, 0, MAKELPARAM(-5, 2));
  EXPECT_FALSE(link_->IsHovering());
  EXPECT_NE(GetCapture(), control);

  int answer = 42;
  std::vector<std::wstring> opened;
  platform::testing::SetShellCalls({[&](const std::wstring& file, const std::wstring& parameters) {
                                      opened.push_back(file + L"|" + parameters);
                                      return answer;
                                    },
                                    nullptr});
  platform::testing::SetRegistry(std::make_shared<platform::RegistryStore>());
  link_->SetURL(L"https://example.com/");
  Click(control);
  EXPECT_TRUE(link_->IsVisited());
  EXPECT_EQ(DrawnColour(control), CHyperLink::kVisitedColour);

  // A failed open says why in a box, and the link is unvisited again.
  answer = SE_ERR_SHARE;
  std::wstring shown, caption;
  ModalDriver driver([&] {
    HWND box = FindMessageBox();
    if (!box) return false;
    shown = Text(GetDlgItem(box, 0xFFFF));
    caption = Text(box);
    SendMessageW(box, WM_COMMAND, IDOK, 0);
    return true;
  });
  Click(control);
  EXPECT_EQ(shown, L"Unable   to   open   hyperlink:\n\nA   sharing   violation   occurred.   ");
  EXPECT_EQ(caption, GetPathFileName(GetProgramPath(), false));  // as every other box
  EXPECT_FALSE(link_->IsVisited());
  EXPECT_EQ(DrawnColour(control), CHyperLink::kLinkColour);
  EXPECT_EQ(opened, (std::vector<std::wstring>{L"winebrowser|https://example.com/",
                                               L"winebrowser|https://example.com/"}));
}

TEST_F(LinkTest, ToolTipFollowsTheTarget) {
  HWND control = MakeLink(SS_LEFT);
  link_->SetURL(L"https://example.com/new");
  ASSERT_TRUE(link_->ToolTip());
  EXPECT_EQ(SendMessageW(link_->ToolTip(), TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t buffer[256] = {};
  TOOLINFOW tool = {};
  tool.cbSize = TTTOOLINFOW_V2_SIZE;
  tool.hwnd = control;
  tool.uId = 1;
  tool.lpszText = buffer;
  SendMessageW(link_->ToolTip(), TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(buffer, L"https://example.com/new");
}

TEST_F(LinkTest, HandCursorComesFromTheHelpProgramElseTheSystem) {
  const HCURSOR system_hand = LoadCursorW(nullptr, IDC_HAND);
  for (bool help_program : {true, false}) {
    SCOPED_TRACE(help_program);
    // This test program carries cursor 106, so it can be the help program.
    test::TempDir windows;
    if (help_program) {
      ASSERT_TRUE(
          CopyFileW(platform::ProgramPath().c_str(), windows.Join(L"winhlp32.exe").c_str(), FALSE));
    }
    platform::testing::SetWindowsFolder(windows.path());
    HWND control = MakeLink(SS_LEFT);
    ASSERT_TRUE(link_->LinkCursor());
    EXPECT_EQ(link_->LinkCursor() != system_hand, help_program);
    // The cursor request is answered by the link.
    EXPECT_TRUE(SendMessageW(control, WM_SETCURSOR, reinterpret_cast<WPARAM>(control),
                             MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), link_->LinkCursor());
    link_.reset();
    DestroyWindow(control);
  }
}

TEST_F(AboutTest, OpenLinkChoosesTheProgramAndFallsBackToThePageHandler) {
  std::vector<std::wstring> calls;
  int open_answer = 0;
  platform::testing::SetShellCalls({[&](const std::wstring& file, const std::wstring& parameters) {
                                      calls.push_back(L"open " + file + L"|" + parameters);
                                      return open_answer;
                                    },
                                    [&](const std::wstring& command) {
                                      calls.push_back(L"run " + command);
                                      return 33;
                                    }});
  auto registry = std::make_shared<platform::RegistryStore>();
  platform::testing::SetRegistry(registry);

  struct Case {
    std::wstring target;
    int open_answer;
    std::vector<std::wstring> calls;
    int result;
  } cases[] = {
      {L"HTTP://Example.com/A", 42, {L"open winebrowser|HTTP://Example.com/A"}, 42},
      {L"mailto:desk@example.com", 42, {L"open mailto:desk@example.com|"}, 42},
      // No page handler registered: the shell's answer stands.
      {L"C:\\docs\\guide.pdf", SE_ERR_NOASSOC, {L"open C:\\docs\\guide.pdf|"}, SE_ERR_NOASSOC},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    calls.clear();
    open_answer = c.open_answer;
    EXPECT_EQ(CHyperLink::OpenLink(c.target), c.result);
    EXPECT_EQ(calls, c.calls);
  }

  // With a handler the command is cut before "%1" (quoted or not) and the
  // target appended; the user's classes win over the machine's.
  struct Handler {
    RegRoot root;
    std::wstring page_class;
    std::wstring command;
    std::wstring run;
  } handlers[] = {
      {RegRoot::kLocalMachine, L"htmlfile", L"C:\\Old\\web.exe %1", L"C:\\Old\\web.exe "},
      {RegRoot::kCurrentUser, L"WebPage", L"web.exe /open", L"web.exe /open"},
      {RegRoot::kCurrentUser, L"WebPage", L"\"C:\\Web\\b.exe\" -new \"%1\" -x",
       L"\"C:\\Web\\b.exe\" -new "},
  };
  open_answer = SE_ERR_FNF;
  for (const Handler& h : handlers) {
    SCOPED_TRACE(h.command);
    registry->SetValue(h.root, L"Software\\Classes\\.htm", L"", h.page_class);
    registry->SetValue(h.root, L"Software\\Classes\\" + h.page_class + L"\\shell\\open\\command",
                       L"", h.command);
    calls.clear();
    EXPECT_EQ(CHyperLink::OpenLink(L"https://example.com/"), 33);
    EXPECT_EQ(calls, (std::vector<std::wstring>{L"open winebrowser|https://example.com/",
                                                L"run " + h.run + L"   https://example.com/"}));
  }
}

TEST(LinkErrorTest, MessagesForShellResults) {
  const std::wstring head = L"Unable   to   open   hyperlink:\n\n";
  EXPECT_EQ(CHyperLink::ErrorMessage(0),
            head + L"The   operating   system   is   out\nof   memory   or   resources.");
  EXPECT_EQ(CHyperLink::ErrorMessage(11), head +
                                              L"The   .EXE   file   is   invalid\n(non-Win32   "
                                              L".EXE   or   error   in   .EXE   image).");
  EXPECT_EQ(CHyperLink::ErrorMessage(32),
            head + L"The   specified   dynamic-link   library   was   not   found.");
  EXPECT_EQ(CHyperLink::ErrorMessage(4), head + L"Unknown   Error   (4)   occurred.");
  EXPECT_EQ(CHyperLink::ErrorMessage(33), head + L"Unknown   Error   (33)   occurred.");
  // The Chinese interface gets its own texts, the number filled in the same way.
  SetLanguageIndex(kChinese);
  EXPECT_EQ(CHyperLink::ErrorMessage(2), L"无法打开超链接:\n\n找不到指定的文件。");
  EXPECT_EQ(CHyperLink::ErrorMessage(4), L"无法打开超链接:\n\n发生未知错误 (4)。");
  SetLanguageIndex(kEnglish);
}

TEST(BrowserPanelTest, AttachNeverShowsADialogAndOutlivesItsWindow) {
  HWND parent = CreateWindowExW(0, L"STATIC", L"panel parent", WS_POPUP | WS_VISIBLE, 0, 0, 500,
                                300, nullptr, nullptr, nullptr, nullptr);
  HWND host = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 10, 10, 460, 90, parent,
                              nullptr, nullptr, nullptr);
  auto panel = std::make_unique<CExplorer1>();
  bool attached = panel->Attach(host);
  // Under Wine without a web engine the browser still comes up, blank.
  std::printf("browser panel attached: %s\n", attached ? "yes" : "no");
  EXPECT_EQ(panel->HasBrowser(), attached);
  EXPECT_EQ(panel->Host(), host);
  panel->Navigate(L"about:blank");
  MoveWindow(host, 10, 10, 300, 60, TRUE);
  panel->Resize();
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_FALSE(FindMessageBox());
  // The main window goes first; the panel object is destroyed after it.
  DestroyWindow(parent);
  panel.reset();

  CExplorer1 without_host;
  EXPECT_FALSE(without_host.Attach(nullptr));
  without_host.Navigate(L"about:blank");
  without_host.Resize();
  EXPECT_FALSE(without_host.HasBrowser());
}

// The stand-in xdg-open that the tests' PATH puts first logs what it is given
// beside itself (tests/ui/stand-ins).
TEST(WebBrowserTest, UnderWineAddressesReachTheDesktopsBrowser) {
  ASSERT_TRUE(RunningUnderWine());
  const std::wstring log = GetPathFolder(GetProgramPath()) + L"stand-ins\\xdg-open.log";
  // Unique per run: a browser started by another test or an earlier run may
  // still append its own line to the log.
  const std::string token =
      std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount());
  const std::string address = "https://example.com/help?page=1&lang=en&run=" + token;
  EXPECT_GT(CHyperLink::OpenLink(std::wstring(address.begin(), address.end())), 32);
  const std::string line = address + "\n";
  std::string got;
  for (int i = 0; i < 400 && got.find(line) == std::string::npos; ++i) {
    Sleep(50);
    if (FILE* f = _wfopen(log.c_str(), L"rb")) {
      char buffer[4096];
      got.clear();
      for (size_t n; (n = fread(buffer, 1, sizeof buffer, f)) > 0;) got.append(buffer, n);
      fclose(f);
    }
  }
  EXPECT_NE(got.find(line), std::string::npos) << "xdg-open was given:\n" << got;
}

}  // namespace
}  // namespace copyloom::ui
