#include "platform/picture_win.h"

namespace tovrel::win {

HICON Picture::icon() const {
  if (!picture_) return nullptr;
  OLE_HANDLE handle = 0;
  if (FAILED(picture_->get_Handle(&handle))) return nullptr;
  return reinterpret_cast<HICON>(static_cast<UINT_PTR>(handle));
}

void Picture::reset() {
  if (picture_) picture_->Release();
  picture_ = nullptr;
}

}  // namespace tovrel::win
