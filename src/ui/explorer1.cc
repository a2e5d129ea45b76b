#include "ui/explorer1.h"

#include <exdisp.h>
#include <ole2.h>
#include <oleauto.h>

namespace copyloom::ui {
namespace {

// {8856F961-340A-11D0-A96B-00C04FD705A2}: the web-browser control.
constexpr CLSID kWebBrowserClass = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
// Navigate(URL, Flags, TargetFrameName, PostData, Headers).
constexpr DISPID kNavigateDispatchId = 104;

template <typename T>
void ReleaseInterface(T** pointer) {
  if (*pointer) (*pointer)->Release();
  *pointer = nullptr;
}

}  // namespace

// The container side of in-place activation: client site, in-place site and
// frame in one object, for one browser filling one host window. It has no
// menus, tool space or accelerators of its own.
class BrowserSite final : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  explicit BrowserSite(HWND host) : host_(host) {}

  // Creates the browser and activates it in place; false leaves nothing behind.
  bool Create() {
    if (FAILED(CoCreateInstance(kWebBrowserClass, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                reinterpret_cast<void**>(&object_)))) {
      return false;
    }
    object_->SetClientSite(this);
    OleSetContainedObject(object_, TRUE);
    RECT rect = HostRect();
    if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, host_, &rect)) ||
        FAILED(
            object_->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&in_place_))) ||
        FAILED(object_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch_)))) {
      Close();
      return false;
    }
    // Script errors and other prompts of the page must not stop the window.
    IWebBrowser2* browser = nullptr;
    if (SUCCEEDED(object_->QueryInterface(IID_IWebBrowser2, reinterpret_cast<void**>(&browser)))) {
      browser->put_Silent(VARIANT_TRUE);
      browser->Release();
    }
    return true;
  }

  void Close() {
    if (in_place_) in_place_->InPlaceDeactivate();
    ReleaseInterface(&in_place_);
    ReleaseInterface(&dispatch_);
    if (object_) {
      object_->Close(OLECLOSE_NOSAVE);
      object_->SetClientSite(nullptr);
      OleSetContainedObject(object_, FALSE);
    }
    ReleaseInterface(&object_);
  }

  void Navigate(const std::wstring& url) {
    if (!dispatch_) return;
    VARIANT absent[4];
    VARIANT by_reference[4];
    for (int i = 0; i < 4; ++i) {
      VariantInit(&absent[i]);
      absent[i].vt = VT_ERROR;
      absent[i].scode = DISP_E_PARAMNOTFOUND;
      VariantInit(&by_reference[i]);
      by_reference[i].vt = VT_VARIANT | VT_BYREF;
      by_reference[i].pvarVal = &absent[i];
    }
    // Arguments go last first: Headers, PostData, TargetFrameName, Flags, URL.
    VARIANT arguments[5];
    for (int i = 0; i < 4; ++i) arguments[i] = by_reference[i];
    VariantInit(&arguments[4]);
    arguments[4].vt = VT_BSTR;
    arguments[4].bstrVal = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
    DISPPARAMS parameters = {arguments, nullptr, 5, 0};
    dispatch_->Invoke(kNavigateDispatchId, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD,
                      &parameters, nullptr, nullptr, nullptr);
    SysFreeString(arguments[4].bstrVal);
  }

  void Resize() {
    if (!in_place_) return;
    RECT rect = HostRect();
    in_place_->SetObjectRects(&rect, &rect);
  }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
      *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
      *out = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleInPlaceUIWindow || iid == IID_IOleInPlaceFrame) {
      *out = static_cast<IOleInPlaceFrame*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override {
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IOleClientSite
  STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
  STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    if (moniker) *moniker = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetContainer(IOleContainer** container) override {
    if (container) *container = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP ShowObject() override { return S_OK; }
  STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow (for the site and the frame alike)
  STDMETHODIMP GetWindow(HWND* window) override {
    if (!window) return E_POINTER;
    *window = host_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
  STDMETHODIMP OnUIActivate() override { return S_OK; }
  STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                LPRECT position, LPRECT clip,
                                LPOLEINPLACEFRAMEINFO frame_info) override {
    if (frame) {
      *frame = this;
      AddRef();
    }
    if (document) *document = nullptr;
    RECT rect = HostRect();
    if (position) *position = rect;
    if (clip) *clip = rect;
    if (frame_info) {
      frame_info->fMDIApp = FALSE;
      frame_info->hwndFrame = GetAncestor(host_, GA_ROOT);
      frame_info->haccel = nullptr;
      frame_info->cAccelEntries = 0;
    }
    return S_OK;
  }
  STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
  STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
  STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
    if (in_place_ && rect) in_place_->SetObjectRects(rect, rect);
    return S_OK;
  }

  // IOleInPlaceUIWindow
  STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
  STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return OLE_E_INVALIDRECT; }
  STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }

  // IOleInPlaceFrame
  STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
  STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
  STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
  STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

 private:
  ~BrowserSite() = default;

  RECT HostRect() const {
    RECT rect = {};
    GetClientRect(host_, &rect);
    return rect;
  }

  LONG references_ = 1;
  HWND host_;
  IOleObject* object_ = nullptr;
  IOleInPlaceObject* in_place_ = nullptr;
  IDispatch* dispatch_ = nullptr;
};

CExplorer1::CExplorer1() = default;

CExplorer1::~CExplorer1() { Release(); }

bool CExplorer1::Attach(HWND host) {
  Release();
  if (!IsWindow(host)) return false;
  host_ = host;
  HRESULT initialised = OleInitialize(nullptr);
  // S_FALSE: already initialised on this thread; it still must be balanced.
  ole_initialised_ = SUCCEEDED(initialised);
  if (!ole_initialised_) return false;
  // The host's own painting must not cover the browser.
  SetWindowLongPtrW(host, GWL_STYLE, GetWindowLongPtrW(host, GWL_STYLE) | WS_CLIPCHILDREN);
  site_ = new BrowserSite(host);
  if (!site_->Create()) {
    site_->Release();
    site_ = nullptr;
    return false;
  }
  return true;
}

void CExplorer1::Navigate(const std::wstring& url) {
  if (site_) site_->Navigate(url);
}

void CExplorer1::Resize() {
  if (site_) site_->Resize();
}

void CExplorer1::Release() {
  if (site_) {
    site_->Close();
    site_->Release();
    site_ = nullptr;
  }
  if (ole_initialised_) OleUninitialize();
  ole_initialised_ = false;
}

}  // namespace copyloom::ui
