#include "ui/explorer1.h"

namespace copyloom::ui {

CExplorer1::CExplorer1() = default;
CExplorer1::~CExplorer1() = default;

bool CExplorer1::Attach(HWND host) {
  host_ = host;
  return false;
}

void CExplorer1::Navigate(const std::wstring&) {}
void CExplorer1::Resize() {}

}  // namespace copyloom::ui
