#include "platform/controls_win.h"

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <unordered_map>
#include <vector>

#include <oleacc.h>

#include "platform/system_library_win.h"

namespace tovrel::win {

int Twips(int twips, int dpi) { return ::MulDiv(twips, dpi, 1440); }

int DpiOf(HWND hwnd) {
  // The window's own DPI where the system knows it (per-monitor aware), else the screen's.
  if (const UINT dpi = WindowDpi(hwnd)) return static_cast<int>(dpi);
  HDC dc = ::GetDC(hwnd);
  const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
  ::ReleaseDC(hwnd, dc);
  return dpi > 0 ? dpi : 96;
}

RECT Pixels(const TwipRect& r, int dpi) {
  const int left = Twips(r.left, dpi), top = Twips(r.top, dpi);
  return RECT{left, top, left + Twips(r.width, dpi), top + Twips(r.height, dpi)};
}

void Place(HWND control, const TwipRect& r, int dpi, HFONT font) {
  if (font) ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  MoveWindowTo(control, Pixels(r, dpi));
}

void MoveWindowTo(HWND hwnd, const RECT& r) {
  ::SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

void SizeAndCentreAt(HWND hwnd, int clientWidthTwips, int clientHeightTwips, const RECT& centreOn, int dpi) {
  const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE));
  RECT frame{0, 0, Twips(clientWidthTwips, dpi), Twips(clientHeightTwips, dpi)};
  ::AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  const int w = frame.right - frame.left, h = frame.bottom - frame.top;
  ::SetWindowPos(hwnd, nullptr, centreOn.left + (centreOn.right - centreOn.left - w) / 2,
                 centreOn.top + (centreOn.bottom - centreOn.top - h) / 2, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

int SizeAndCentre(HWND hwnd, int clientWidthTwips, int clientHeightTwips, const RECT& centreOn) {
  const int dpi = DpiOf(hwnd);
  SizeAndCentreAt(hwnd, clientWidthTwips, clientHeightTwips, centreOn, dpi);
  const int settled = DpiOf(hwnd);
  if (settled != dpi) SizeAndCentreAt(hwnd, clientWidthTwips, clientHeightTwips, centreOn, settled);
  return settled;
}

bool FontLook::operator==(const FontLook& other) const {
  return std::wcscmp(face, other.face) == 0 && points == other.points && weight == other.weight &&
         italic == other.italic && underline == other.underline && strikeout == other.strikeout &&
         charset == other.charset;
}

UniqueGdi<HFONT> MakeFont(const FontLook& desc, int dpi) {
  const int height = -static_cast<int>(std::nearbyint(desc.points * dpi / 72.0));
  UniqueGdi<HFONT> font(::CreateFontW(height, 0, 0, 0, desc.weight, desc.italic, desc.underline, desc.strikeout,
                                      desc.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, desc.face));
  if (!font) ThrowLastError("CreateFontW");
  return font;
}

UINT WindowDpi(HWND hwnd) {
  // Looked up at run time: the call exists from Windows 10 1607 on.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static const auto getDpiForWindow = SystemLibraryFunction<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  return hwnd && getDpiForWindow ? getDpiForWindow(hwnd) : 0;
}

std::wstring Wide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

void NameForScreenReaders(HWND control, const std::u16string& name) {
  const std::wstring text = Wide(name);
  ::SetWindowTextW(control, text.c_str());
  // Spelled out: with static linking, mingw's oleacc GUIDs are import thunks.
  constexpr CLSID kAccPropServices{0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
  constexpr IID kIidAccPropServices{0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
  constexpr MSAAPROPID kName{0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};
  void* services = nullptr;
  if (FAILED(::CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kIidAccPropServices, &services)))
    return;  // no Dynamic Annotation here: the window text is what is read
  auto* annotation = static_cast<IAccPropServices*>(services);
  annotation->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, kName, text.c_str());
  annotation->Release();
}

HWND CreateChild(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, HWND parent, int id,
                 const RECT& r) {
  return ::CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

// ---- ListView

void ListView::Create(HWND parent, int id, const RECT& pixels, HFONT font) {
  hwnd_ = CreateChild(WC_LISTVIEWW, L"",
                      WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                      0, parent, id, pixels);
  ListView_SetExtendedListViewStyle(hwnd_, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void ListView::AddColumn(const std::u16string& header, int widthPixels) {
  std::wstring text = Wide(header);
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
  col.pszText = text.data();
  col.cx = widthPixels;
  col.iSubItem = columns_;
  ListView_InsertColumn(hwnd_, columns_, &col);
  ++columns_;
}

void ListView::Clear() { ListView_DeleteAllItems(hwnd_); }

int ListView::AddRow(const std::u16string& text) {
  std::wstring w = Wide(text);
  LVITEMW item{};
  item.mask = LVIF_TEXT | LVIF_IMAGE;
  item.iItem = Count();
  item.pszText = w.data();
  item.iImage = I_IMAGENONE;
  const int index = static_cast<int>(::SendMessageW(hwnd_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
  return index + 1;
}

void ListView::SetRowImage(int row, int imageIndex) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE;
  item.iItem = row - 1;
  item.iImage = imageIndex;
  ::SendMessageW(hwnd_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void ListView::SetSmallImageList(HIMAGELIST list) { ListView_SetImageList(hwnd_, list, LVSIL_SMALL); }

void ListView::SelectRow(int row) {
  ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (row >= 1 && row <= Count())
    ListView_SetItemState(hwnd_, row - 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void ListView::SelectFirstAfterRefill() { SelectRow(1); }

ListView::HeldRedraw::HeldRedraw(const ListView& list) : hwnd_(list.hwnd()) {
  ::SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
}

ListView::HeldRedraw::~HeldRedraw() {
  ::SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(hwnd_, nullptr, TRUE);
}

int ListView::Count() const { return static_cast<int>(ListView_GetItemCount(hwnd_)); }

std::u16string ListView::SubItem(int row, int sub) const {
  if (row < 1 || row > Count()) return u"";
  std::vector<wchar_t> buffer(1024);
  LVITEMW item{};
  item.iSubItem = sub;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  const auto n = ::SendMessageW(hwnd_, LVM_GETITEMTEXTW, row - 1, reinterpret_cast<LPARAM>(&item));
  return std::u16string(buffer.data(), buffer.data() + n);
}

void ListView::SetSubItem(int row, int sub, const std::u16string& text) {
  if (row < 1 || row > Count()) return;
  std::wstring w = Wide(text);
  LVITEMW item{};
  item.iSubItem = sub;
  item.pszText = w.data();
  ::SendMessageW(hwnd_, LVM_SETITEMTEXTW, row - 1, reinterpret_cast<LPARAM>(&item));
}

int ListView::SelectedRow() const {
  const int index = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED);
  return index < 0 ? 0 : index + 1;
}

// ---- KeyedImageList

KeyedImageList::~KeyedImageList() {
  if (list_) ImageList_Destroy(list_);
}

void KeyedImageList::Create(int size) { list_ = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 64, 64); }

int KeyedImageList::Count() const { return ImageList_GetImageCount(list_); }

void KeyedImageList::Clear() {
  ImageList_RemoveAll(list_);
  keys_.clear();
  bySource_.clear();
}

int KeyedImageList::Add(const std::u16string& key, HICON icon, const std::u16string& source) {
  if (!icon) return -1;
  const int index = Count();
  const auto same = source.empty() ? bySource_.end() : bySource_.find(source);
  // A copy of the same pixels costs far less than making them from the icon again.
  if (same != bySource_.end()) {
    ImageList_SetImageCount(list_, index + 1);
    ImageList_Copy(list_, index, list_, same->second, ILCF_MOVE);
  } else if (ImageList_AddIcon(list_, icon) != index) {
    return -1;
  } else if (!source.empty()) {
    bySource_.emplace(source, index);
  }
  keys_[key] = index;
  return index;
}

std::vector<int> KeyedImageList::Refill(const std::vector<Item>& items, const IconOf& iconOf) {
  const int old = Count();
  // The new images are put together above the old ones, then moved down over them.
  ImageList_SetImageCount(list_, old + static_cast<int>(items.size()));
  std::unordered_map<std::u16string, int> made = std::move(bySource_);  // where an image of each source is now
  std::vector<int> indexes;
  int count = 0;
  keys_.clear();
  bySource_.clear();
  for (const Item& item : items) {
    const int at = old + count;
    if (const auto same = made.find(item.source); same != made.end()) {
      ImageList_Copy(list_, at, list_, same->second, ILCF_MOVE);
    } else {
      const HICON icon = iconOf(item.source);
      if (!icon || ImageList_ReplaceIcon(list_, at, icon) != at) {
        indexes.push_back(-1);
        continue;
      }
      if (!item.source.empty()) made.emplace(item.source, at);
    }
    if (!item.source.empty()) bySource_.emplace(item.source, count);
    keys_[item.key] = count;
    indexes.push_back(count++);
  }
  for (int i = 0; i < count; ++i) ImageList_Copy(list_, i, list_, old + i, ILCF_MOVE);
  ImageList_SetImageCount(list_, count);
  return indexes;
}

int KeyedImageList::Find(const std::u16string& key) const {
  auto it = keys_.find(key);
  return it == keys_.end() ? -1 : it->second;
}

// ---- Slider

void Slider::Create(HWND parent, int id, const RECT& pixels, int minimum, int maximum) {
  hwnd_ = CreateChild(TRACKBAR_CLASSW, L"", WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM, 0, parent, id,
                      pixels);
  ::SendMessageW(hwnd_, TBM_SETRANGE, FALSE, MAKELPARAM(minimum, maximum));
  ::SendMessageW(hwnd_, TBM_SETTICFREQ, 10, 0);
  ::SendMessageW(hwnd_, TBM_SETLINESIZE, 0, 1);
  ::SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, 10);
  last_ = Value();
}

int Slider::Value() const { return static_cast<int>(::SendMessageW(hwnd_, TBM_GETPOS, 0, 0)); }

void Slider::SetValue(int value) {
  ::SendMessageW(hwnd_, TBM_SETPOS, TRUE, value);
  Notify();
}

void Slider::OnScroll() { Notify(); }

void Slider::Notify() {
  const int v = Value();
  if (v == last_) return;
  last_ = v;
  if (Change) Change();
}

// ---- Label

void Label::Create(HWND parent, int id, const std::u16string& text, const RECT& pixels, HFONT font,
                   DWORD extraStyle) {
  hwnd_ = CreateChild(L"STATIC", Wide(text).c_str(), SS_NOTIFY | extraStyle, 0, parent, id, pixels);
  ::SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void Label::SetText(const std::u16string& text) {
  ::SetWindowTextW(hwnd_, Wide(text).c_str());
  ::InvalidateRect(hwnd_, nullptr, TRUE);
  ::UpdateWindow(hwnd_);
}

namespace {

std::wstring TextOf(HWND window) {
  const int n = ::GetWindowTextLengthW(window);
  std::wstring w(static_cast<std::size_t>(n) + 1, L'\0');
  ::GetWindowTextW(window, w.data(), n + 1);
  w.resize(static_cast<std::size_t>(n));
  return w;
}

SIZE TextExtent(HWND label, const std::wstring& text, int wrapWidth) {
  HDC dc = ::GetDC(label);
  auto font = reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0));
  HGDIOBJ old = ::SelectObject(dc, font);
  RECT r{0, 0, wrapWidth > 0 ? wrapWidth : 0, 0};
  ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_NOPREFIX | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
  ::SelectObject(dc, old);
  ::ReleaseDC(label, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

}  // namespace

void SizeToText(HWND label) {
  const SIZE size = TextExtent(label, TextOf(label), 0);
  ::SetWindowPos(label, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GrowToText(HWND label, bool wraps) {
  RECT r{};
  ::GetWindowRect(label, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  const SIZE size = TextExtent(label, TextOf(label), wraps ? w : 0);
  const int newW = wraps ? w : std::max<int>(w, size.cx);
  const int newH = std::max<int>(h, size.cy);
  if (newW != w || newH != h)
    ::SetWindowPos(label, nullptr, 0, 0, newW, newH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::u16string Label::Text() const { return U16(TextOf(hwnd_)); }

int ShowMessage(HWND owner, const std::u16string& text, const std::u16string& title, UINT style) {
  return ::MessageBoxW(owner, Wide(text).c_str(), Wide(title).c_str(), style);
}

}  // namespace tovrel::win
