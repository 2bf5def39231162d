#include "platform/shell_open_win.h"

#include <exdisp.h>
#include <servprov.h>
#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include "platform/handles_win.h"

namespace tovrel::win {

namespace {

// One reference to a COM object, released with the object.
template <typename T>
class Com {
 public:
  Com() = default;
  Com(const Com&) = delete;
  Com& operator=(const Com&) = delete;
  ~Com() {
    if (p_) p_->Release();
  }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  T** out() { return &p_; }
  void** outVoid() { return reinterpret_cast<void**>(&p_); }

 private:
  T* p_ = nullptr;
};

// A VARIANT holding a string, cleared with the object.
struct Text {
  explicit Text(const std::wstring& s) {
    ::VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
  }
  ~Text() { ::VariantClear(&v); }
  Text(const Text&) = delete;
  Text& operator=(const Text&) = delete;
  VARIANT v;
};

}  // namespace

bool IsElevated() {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const UniqueHandle owned(token);
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  return ::GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size) &&
         elevation.TokenIsElevated != 0;
}

bool OpenThroughDesktopShell(const std::wstring& target) {
  // The desktop's ShellWindows lives in explorer: a local server, never a copy in this process.
  Com<IShellWindows> windows;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows,
                                windows.outVoid())))
    return false;
  VARIANT desktopPlace;
  ::VariantInit(&desktopPlace);
  desktopPlace.vt = VT_I4;
  desktopPlace.lVal = CSIDL_DESKTOP;
  VARIANT noRoot;
  ::VariantInit(&noRoot);
  long hwnd = 0;
  Com<IDispatch> desktop;
  if (windows->FindWindowSW(&desktopPlace, &noRoot, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, desktop.out()) != S_OK ||
      !desktop)
    return false;
  Com<IServiceProvider> services;
  Com<IShellBrowser> browser;
  Com<IShellView> view;
  Com<IDispatch> background;
  Com<IShellFolderViewDual> folderView;
  Com<IDispatch> application;
  Com<IShellDispatch2> shell;
  if (FAILED(desktop->QueryInterface(IID_IServiceProvider, services.outVoid())) ||
      FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser, browser.outVoid())) ||
      FAILED(browser->QueryActiveShellView(view.out())) || !view ||
      FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, background.outVoid())) || !background ||
      FAILED(background->QueryInterface(IID_IShellFolderViewDual, folderView.outVoid())) ||
      FAILED(folderView->get_Application(application.out())) || !application ||
      FAILED(application->QueryInterface(IID_IShellDispatch2, shell.outVoid())))
    return false;
  BSTR file = ::SysAllocStringLen(target.data(), static_cast<UINT>(target.size()));
  const Text noArguments(L""), noFolder(L""), open(L"open");
  VARIANT show;
  ::VariantInit(&show);
  show.vt = VT_I4;
  show.lVal = SW_SHOWNORMAL;
  const HRESULT opened = shell->ShellExecute(file, noArguments.v, noFolder.v, open.v, show);
  ::SysFreeString(file);
  return SUCCEEDED(opened);
}

LinkOpenedBy OpenLink(HWND owner, const std::wstring& target, bool elevated, DesktopOpen throughDesktop) {
  if (elevated && throughDesktop(target)) return LinkOpenedBy::kDesktopShell;
  ::ShellExecuteW(owner, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
  return LinkOpenedBy::kShellExecute;
}

}  // namespace tovrel::win
