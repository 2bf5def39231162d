#include "button_control/command_accessible_win.h"

#include <string>
#include <utility>

#include "button_control/command_window_win.h"
#include "platform/controls_win.h"
#include "platform/system_library_win.h"

namespace tovrel::win {
namespace {

// These exist only for the windows, not the button; the standard object's say so.
constexpr LONG kStandardStates = STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN;

HRESULT Text(const std::wstring& text, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT Number(LONG value, VARIANT* out) {
  if (!out) return E_POINTER;
  ::VariantInit(out);
  out->vt = VT_I4;
  out->lVal = value;
  return S_OK;
}

}  // namespace

CommandAccessible* CommandAccessible::Create(CommandWindow& window) {
  using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  static const auto createStandard =
      SystemLibraryFunction<CreateStdAccessibleObjectFn>(L"oleacc.dll", "CreateStdAccessibleObject");
  void* standard = nullptr;
  if (!createStandard || FAILED(createStandard(window.hwnd(), OBJID_CLIENT, kIidIAccessible, &standard)) ||
      !standard)
    return nullptr;
  return new CommandAccessible(window, static_cast<IAccessible*>(standard));
}

void CommandAccessible::Disconnect() {
  window_ = nullptr;
  if (IAccessible* standard = std::exchange(standard_, nullptr)) standard->Release();
}

HRESULT CommandAccessible::Check(const VARIANT& child) const {
  if (!window_ || !window_->hwnd()) return CO_E_OBJNOTCONNECTED;
  if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return E_INVALIDARG;
  return S_OK;
}

HRESULT CommandAccessible::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kIidIAccessible) {
    *object = static_cast<IAccessible*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

ULONG CommandAccessible::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&refs_)); }

ULONG CommandAccessible::Release() {
  const LONG left = ::InterlockedDecrement(&refs_);
  if (left == 0) {
    Disconnect();
    delete this;
  }
  return static_cast<ULONG>(left);
}

HRESULT CommandAccessible::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT CommandAccessible::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT CommandAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT CommandAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

HRESULT CommandAccessible::get_accName(VARIANT child, BSTR* name) {
  if (const HRESULT hr = Check(child); hr != S_OK) return hr;
  return Text(Wide(Command::AccessibleNameOf(window_->command.Caption())), name);
}

HRESULT CommandAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (const HRESULT hr = Check(child); hr != S_OK) return hr;
  return Number(ROLE_SYSTEM_PUSHBUTTON, role);
}

HRESULT CommandAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (const HRESULT hr = Check(child); hr != S_OK) return hr;
  const AccessibleState shown = window_->command.Accessible();
  LONG bits = shown.Unavailable ? STATE_SYSTEM_UNAVAILABLE : STATE_SYSTEM_FOCUSABLE;
  if (shown.Focused) bits |= STATE_SYSTEM_FOCUSED;
  if (shown.Pressed) bits |= STATE_SYSTEM_PRESSED;
  if (shown.Hot) bits |= STATE_SYSTEM_HOTTRACKED;
  if (shown.Default) bits |= STATE_SYSTEM_DEFAULT;
  VARIANT standard;
  ::VariantInit(&standard);
  if (SUCCEEDED(standard_->get_accState(child, &standard)) && standard.vt == VT_I4)
    bits |= standard.lVal & kStandardStates;
  return Number(bits, state);
}

HRESULT CommandAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) {
  if (const HRESULT hr = Check(child); hr != S_OK) return hr;
  return Text(Wide(Command::ShortcutOf(window_->command.Caption())), shortcut);
}

HRESULT CommandAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (const HRESULT hr = Check(child); hr != S_OK) return hr;
  return Text(kCommandDefaultAction, action);
}

HRESULT CommandAccessible::accDoDefaultAction(VARIANT child) {
  if (const HRESULT hr = Check(child); hr != S_OK) return hr;
  if (window_->command.Enabled() == kVbFalse) return E_FAIL;
  // Posted, as the system's button does: the click may open a modal dialog, and the
  // caller, maybe another process, must not wait for it to close.
  return window_->PostDefaultAction() ? S_OK : E_FAIL;
}

#define TOVREL_STANDARD(call)                                     \
  if (!window_ || !window_->hwnd()) return CO_E_OBJNOTCONNECTED; \
  return standard_->call

HRESULT CommandAccessible::get_accParent(IDispatch** parent) { TOVREL_STANDARD(get_accParent(parent)); }
HRESULT CommandAccessible::get_accChildCount(LONG* count) { TOVREL_STANDARD(get_accChildCount(count)); }
HRESULT CommandAccessible::get_accChild(VARIANT child, IDispatch** object) {
  TOVREL_STANDARD(get_accChild(child, object));
}
HRESULT CommandAccessible::get_accValue(VARIANT child, BSTR* value) { TOVREL_STANDARD(get_accValue(child, value)); }
HRESULT CommandAccessible::get_accDescription(VARIANT child, BSTR* description) {
  TOVREL_STANDARD(get_accDescription(child, description));
}
HRESULT CommandAccessible::get_accHelp(VARIANT child, BSTR* help) { TOVREL_STANDARD(get_accHelp(child, help)); }
HRESULT CommandAccessible::get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) {
  TOVREL_STANDARD(get_accHelpTopic(file, child, topic));
}
HRESULT CommandAccessible::get_accFocus(VARIANT* focus) { TOVREL_STANDARD(get_accFocus(focus)); }
HRESULT CommandAccessible::get_accSelection(VARIANT* selection) { TOVREL_STANDARD(get_accSelection(selection)); }
HRESULT CommandAccessible::accSelect(LONG flags, VARIANT child) { TOVREL_STANDARD(accSelect(flags, child)); }
HRESULT CommandAccessible::accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) {
  TOVREL_STANDARD(accLocation(left, top, width, height, child));
}
HRESULT CommandAccessible::accNavigate(LONG direction, VARIANT start, VARIANT* end) {
  TOVREL_STANDARD(accNavigate(direction, start, end));
}
HRESULT CommandAccessible::accHitTest(LONG left, LONG top, VARIANT* child) {
  TOVREL_STANDARD(accHitTest(left, top, child));
}
HRESULT CommandAccessible::put_accName(VARIANT child, BSTR name) { TOVREL_STANDARD(put_accName(child, name)); }
HRESULT CommandAccessible::put_accValue(VARIANT child, BSTR value) { TOVREL_STANDARD(put_accValue(child, value)); }

#undef TOVREL_STANDARD

}  // namespace tovrel::win
