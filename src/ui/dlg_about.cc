#include "ui/dlg_about.h"

#include "app/builtin_texts.h"
#include "app/language.h"
#include "app/product_profile.h"
#include "ui/about_resource.h"
#include "ui/window_place.h"

namespace copyloom::ui {
namespace {

// The contact lines' labels read the same in both languages.
constexpr wchar_t kMessengerLabel[] = L"QQ:";
constexpr wchar_t kEmailLabel[] = L"Email:";

}  // namespace

CDlgAbout::CDlgAbout(HWND parent) : parent_(parent) {}

CDlgAbout::~CDlgAbout() = default;

INT_PTR CDlgAbout::DoModal() {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT_BOX), parent_,
                         DialogProc, reinterpret_cast<LPARAM>(this));
}

BOOL CDlgAbout::OnInitDialog() {
  site_link_.Attach(GetDlgItem(hwnd_, IDC_ABOUT_SITE_LINK));
  title_link_.Attach(GetDlgItem(hwnd_, IDC_ABOUT_TITLE_LINK));

  const ProductProfile& profile = TheProfile();
  site_link_.SetURL(profile.site_address);
  title_link_.SetURL(profile.second_web_address);

  if (languageIndex() == kChinese) {
    ShowWindow(GetDlgItem(hwnd_, IDC_ABOUT_LOGO_EN), SW_HIDE);
  } else {
    ShowWindow(GetDlgItem(hwnd_, IDC_ABOUT_LOGO_CN), SW_HIDE);
    ShowWindow(GetDlgItem(hwnd_, IDC_ABOUT_MESSENGER), SW_HIDE);
  }

  SetWindowTextW(hwnd_, profile.display_name.c_str());
  SetDlgItemTextW(hwnd_, IDC_ABOUT_TITLE_LINK, profile.title_text.c_str());
  SetDlgItemTextW(hwnd_, IDC_ABOUT_SITE_LINK, profile.caption_pair.c_str());
  SetDlgItemTextW(hwnd_, IDOK, LookupBuiltInText(kEntryOkCaption).c_str());
  SetDlgItemTextW(hwnd_, IDC_ABOUT_EMAIL, (kEmailLabel + profile.contact_email).c_str());
  SetDlgItemTextW(hwnd_, IDC_ABOUT_MESSENGER,
                  (kMessengerLabel + profile.contact_messenger).c_str());
  CentreWindow(hwnd_, parent_);
  return TRUE;
}

INT_PTR CALLBACK CDlgAbout::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = DialogObject<CDlgAbout>(hwnd, msg, lp);
  if (!self) return FALSE;
  if (msg == WM_INITDIALOG) {
    self->hwnd_ = hwnd;
    return self->OnInitDialog();
  }
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
        EndDialog(hwnd, LOWORD(wp));
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      self->hwnd_ = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace copyloom::ui
