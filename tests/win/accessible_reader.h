// Reads a window's accessible object as a screen reader does, through
// AccessibleObjectFromWindow: from another process, the calls cross into the window's.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <string>

#include "button_control/command_accessible_win.h"

namespace tovrel::test {

struct AccessibleReading {
  HRESULT found = E_FAIL;  // what AccessibleObjectFromWindow answered
  long role = 0;
  long state = 0;
  std::wstring name, shortcut, action;
};

class AccessibleOf {
 public:
  explicit AccessibleOf(HWND window) {
    void* object = nullptr;
    found_ = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), win::kIidIAccessible, &object);
    if (SUCCEEDED(found_)) object_ = static_cast<IAccessible*>(object);
  }
  ~AccessibleOf() {
    if (object_) object_->Release();
  }
  AccessibleOf(const AccessibleOf&) = delete;
  AccessibleOf& operator=(const AccessibleOf&) = delete;

  AccessibleReading Read() const {
    AccessibleReading r;
    r.found = found_;
    if (!object_) return r;
    VARIANT v;
    ::VariantInit(&v);
    if (object_->get_accRole(Self(), &v) == S_OK && v.vt == VT_I4) r.role = v.lVal;
    ::VariantInit(&v);
    if (object_->get_accState(Self(), &v) == S_OK && v.vt == VT_I4) r.state = v.lVal;
    r.name = Text(&IAccessible::get_accName);
    r.shortcut = Text(&IAccessible::get_accKeyboardShortcut);
    r.action = Text(&IAccessible::get_accDefaultAction);
    return r;
  }
  HRESULT DoDefaultAction() const { return object_ ? object_->accDoDefaultAction(Self()) : found_; }
  HRESULT NameResult() const {
    BSTR text = nullptr;
    const HRESULT hr = object_ ? object_->get_accName(Self(), &text) : found_;
    ::SysFreeString(text);
    return hr;
  }

 private:
  static VARIANT Self() {
    VARIANT self;
    ::VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
  }
  std::wstring Text(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) const {
    BSTR text = nullptr;
    std::wstring result;
    if ((object_->*get)(Self(), &text) == S_OK && text) result.assign(text, ::SysStringLen(text));
    ::SysFreeString(text);
    return result;
  }

  HRESULT found_ = E_FAIL;
  IAccessible* object_ = nullptr;
};

}  // namespace tovrel::test
