// Owners of Win32 handles, so every early return closes them: the kernel,
// find and registry handles the platform opens, and the icons and device
// contexts of the window (src/ui uses this header too).
#pragma once

#include <windows.h>

#include <utility>

namespace copyloom::platform::win32 {

template <typename Traits>
class UniqueOf {
 public:
  using Type = typename Traits::Type;

  UniqueOf() = default;
  explicit UniqueOf(Type value) : value_(value) {}
  ~UniqueOf() { Reset(); }
  UniqueOf(UniqueOf&& other) noexcept : value_(std::exchange(other.value_, Traits::Invalid())) {}
  UniqueOf& operator=(UniqueOf&& other) noexcept {
    if (this != &other) {
      Reset();
      value_ = std::exchange(other.value_, Traits::Invalid());
    }
    return *this;
  }
  UniqueOf(const UniqueOf&) = delete;
  UniqueOf& operator=(const UniqueOf&) = delete;

  bool valid() const { return value_ != Traits::Invalid() && value_ != Type{}; }
  Type get() const { return value_; }

  void Reset() {
    if (valid()) Traits::Close(value_);
    value_ = Traits::Invalid();
  }

 private:
  Type value_ = Traits::Invalid();
};

struct KernelHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Type = HANDLE;
  static Type Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Type h) { ::FindClose(h); }
};

struct KeyTraits {
  using Type = HKEY;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::RegCloseKey(h); }
};

struct IconTraits {
  using Type = HICON;
  static Type Invalid() { return nullptr; }
  static void Close(Type h) { ::DestroyIcon(h); }
};

// CreateFileW and FindFirstFileExW fail with INVALID_HANDLE_VALUE; a null
// handle is never valid either.
using UniqueHandle = UniqueOf<KernelHandleTraits>;
using UniqueFind = UniqueOf<FindHandleTraits>;
using UniqueKey = UniqueOf<KeyTraits>;
using UniqueIcon = UniqueOf<IconTraits>;

// A window's device context from GetDC, released to that window.
class WindowDC {
 public:
  explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
  ~WindowDC() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace copyloom::platform::win32
