// CDlgAbout: the about box that "Contact us" opens: the product's title and
// version, a caption line, the maker's logo and contact lines. The title and
// caption lines are web links.
#pragma once

#include <windows.h>

#include "ui/hyper_link.h"

namespace copyloom::ui {

class CDlgAbout {
 public:
  explicit CDlgAbout(HWND parent);
  virtual ~CDlgAbout();
  CDlgAbout(const CDlgAbout&) = delete;
  CDlgAbout& operator=(const CDlgAbout&) = delete;

  // Modal, from dialog template 100 of the program's resources; OK closes it.
  INT_PTR DoModal();

  // The open box (null outside DoModal), and its links once it has opened.
  HWND hwnd() const { return hwnd_; }
  CHyperLink& SiteLink() { return site_link_; }    // control 1048
  CHyperLink& TitleLink() { return title_link_; }  // control 1049

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  BOOL OnInitDialog();

  HWND parent_;
  HWND hwnd_ = nullptr;
  CHyperLink site_link_;
  CHyperLink title_link_;
};

}  // namespace copyloom::ui
