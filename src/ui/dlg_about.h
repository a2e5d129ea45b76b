// The about box (dialog template 100), opened by "Contact us".
#pragma once

#include <windows.h>

namespace copyloom::ui {

class CDlgAbout {
 public:
  explicit CDlgAbout(HWND parent);
  virtual ~CDlgAbout();
  INT_PTR DoModal();  // modal, from template 100 of the program's resources

 private:
  HWND parent_;
};

}  // namespace copyloom::ui
