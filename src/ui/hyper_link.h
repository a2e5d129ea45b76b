// CHyperLink: a static-text control that looks and behaves like a web link
// (underlined text in the link, hover or visited colour, a hand cursor, a
// tooltip with the target) and opens its target when clicked.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace copyloom::ui {

class CHyperLink {
 public:
  static constexpr COLORREF kLinkColour = RGB(0, 0, 238);
  static constexpr COLORREF kVisitedColour = RGB(136, 0, 0);
  static constexpr COLORREF kHoverColour = RGB(255, 0, 0);

  CHyperLink();
  virtual ~CHyperLink();
  CHyperLink(const CHyperLink&) = delete;
  CHyperLink& operator=(const CHyperLink&) = delete;

  // Takes over an existing static control: adds SS_NOTIFY, fills the url from
  // the text (or the text from the url), underlines the font, resizes the
  // control to its text, loads the hand cursor and creates the tooltip. The
  // control's parent then passes the link its colour requests and clicks.
  // False when the control is not a window or already has a link.
  bool Attach(HWND control);
  // Gives the control back as it is (called by the destructor too).
  void Detach();

  // Stores the target; an attached control is resized to its text and its
  // tooltip shows the new target.
  void SetURL(const std::wstring& url);
  const std::wstring& GetURL() const { return url_; }

  void SetUnderline(bool underline) { underline_ = underline; }
  void SetAutoSize(bool adjust_to_fit) { adjust_to_fit_ = adjust_to_fit; }
  // Resizes the control to its text with the link font: SS_CENTERIMAGE keeps
  // the vertical centre, SS_CENTER the horizontal centre, SS_RIGHT the right
  // edge; otherwise the top and the left edge stay. Nothing when auto-size is
  // off or no control is attached.
  void PositionWindow();

  bool IsHovering() const { return hovering_; }
  bool IsVisited() const { return visited_; }
  // The colour the text is drawn in now.
  COLORREF TextColour() const;
  HCURSOR LinkCursor() const { return link_cursor_; }
  HWND ToolTip() const { return tool_tip_; }
  HWND hwnd() const { return hwnd_; }

  // Opens the target as a click does, records visited and redraws; on
  // failure beeps and shows the error box. Returns OpenLink's result.
  int Follow();

  // Opens a target: a web address (any case of "http://" or "https://")
  // through the web browser, anything else through its associated program;
  // when that fails, through the registry's command for ".htm" pages.
  // Greater than 32 on success, else the shell's error number.
  static int OpenLink(const std::wstring& target);
  // "Unable   to   open   hyperlink:" and the text of the error number, in
  // the interface language.
  static std::wstring ErrorMessage(int result);

 private:
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                      DWORD_PTR data);
  static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                     DWORD_PTR data);
  LRESULT OnControlMessage(UINT msg, WPARAM wp, LPARAM lp);
  void OnMouseMove(LPARAM lp);
  void LoadLinkCursor();
  void CreateToolTip();
  void UpdateToolTip();
  void Redraw();

  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
  COLORREF link_colour_ = kLinkColour;
  COLORREF visited_colour_ = kVisitedColour;
  COLORREF hover_colour_ = kHoverColour;
  bool hovering_ = false;
  bool visited_ = false;
  bool underline_ = true;
  bool adjust_to_fit_ = true;
  std::wstring url_;
  HFONT link_font_ = nullptr;
  HCURSOR link_cursor_ = nullptr;
  bool owns_cursor_ = false;
  HWND tool_tip_ = nullptr;
};

}  // namespace copyloom::ui
