#include "main_window/file_icon_win.h"

#include <shellapi.h>

namespace tovrel {

Picture IconToPicture(HICON icon) {
  PICTDESC desc{};
  desc.cbSizeofstruct = sizeof(desc);
  desc.picType = PICTYPE_ICON;
  desc.icon.hicon = icon;
  IPicture* picture = nullptr;
  if (::OleCreatePictureIndirect(&desc, IID_IPicture, TRUE, reinterpret_cast<void**>(&picture)) == S_OK && picture)
    return Picture(picture);
  if (icon) ::DestroyIcon(icon);
  return Picture();
}

Picture GetFileIcon(const std::u16string& path, bool small) {
  SHFILEINFOW info{};
  const std::wstring wide(path.begin(), path.end());
  ::SHGetFileInfoW(wide.c_str(), 0, &info, sizeof(info), SHGFI_ICON | (small ? SHGFI_SMALLICON : 0));
  if (!info.hIcon) return Picture();
  return IconToPicture(info.hIcon);
}

}  // namespace tovrel
