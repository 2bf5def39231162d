// Thin wrappers of the controls the two windows use, with the behaviour the handlers
// rely on: a refilled list selects its first row, the slider reports every change of
// its value (also when code sets it), the image list finds pictures by text key.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/handles_win.h"

namespace tovrel::win {

// Pixels from twips at the DPI of the screen the window is on (exact at 96 DPI).
int Twips(int twips, int dpi);
int DpiOf(HWND hwnd);

// A control's place in a window's layout, in twips.
struct TwipRect {
  int left, top, width, height;
};
RECT Pixels(const TwipRect& r, int dpi);
// Moves a control to its layout place at a DPI, giving it the font first when one is given.
void Place(HWND control, const TwipRect& r, int dpi, HFONT font = nullptr);

// Sizes a top-level window to a client area given in twips at its DPI and centres it on
// an area of the screen (the work area, or the owner's rectangle); returns that DPI,
// which centring may have changed by moving the window to another screen.
int SizeAndCentre(HWND hwnd, int clientWidthTwips, int clientHeightTwips, const RECT& centreOn);

// Moves and sizes a window to a rectangle in its parent's (or the screen's) coordinates.
void MoveWindowTo(HWND hwnd, const RECT& r);

// A font as the forms describe one; the default is SimSun 9 pt in the GB2312 character set.
struct FontLook {
  const wchar_t* face = L"宋体";
  double points = 9;
  int weight = FW_NORMAL;
  bool italic = false;
  bool underline = false;
  bool strikeout = false;
  BYTE charset = GB2312_CHARSET;
  bool operator==(const FontLook& other) const;
};
// The font at a DPI, its height rounded half to even; raises the system's error on failure.
UniqueGdi<HFONT> MakeFont(const FontLook& desc, int dpi);

// The DPI the system gives a window (per-monitor aware), or 0 where it cannot tell.
UINT WindowDpi(HWND hwnd);

std::wstring Wide(const std::u16string& s);
std::u16string U16(const std::wstring& s);

// Gives a control that shows no text of its own the name a screen reader announces:
// its window text (what the standard accessible object and automation tools read) and,
// where the system has Dynamic Annotation, the accessible name itself. Nothing shows.
void NameForScreenReaders(HWND control, const std::u16string& name);

HWND CreateChild(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle, HWND parent, int id,
                 const RECT& pixels);

// Report-view list; rows and sub-items are numbered as the forms layer numbered them,
// rows from 1.
class ListView {
 public:
  void Create(HWND parent, int id, const RECT& pixels, HFONT font);
  HWND hwnd() const { return hwnd_; }
  void AddColumn(const std::u16string& header, int widthPixels);
  void Clear();
  // Appends a row with its item text; returns its 1-based number.
  int AddRow(const std::u16string& text);
  void SetRowImage(int row, int imageIndex);
  void SetSmallImageList(HIMAGELIST list);
  void SelectRow(int row);
  // Selects the first row, as the list did by itself in the program's first form.
  void SelectFirstAfterRefill();

  // Holds the list's drawing off while it lives, then draws it once.
  class HeldRedraw {
   public:
    explicit HeldRedraw(const ListView& list);
    ~HeldRedraw();
    HeldRedraw(const HeldRedraw&) = delete;
    HeldRedraw& operator=(const HeldRedraw&) = delete;

   private:
    HWND hwnd_;
  };

  int Count() const;
  // A sub-item never written reads as the empty text.
  std::u16string SubItem(int row, int sub) const;
  void SetSubItem(int row, int sub, const std::u16string& text);
  // 0 when no row is selected.
  int SelectedRow() const;

 private:
  HWND hwnd_ = nullptr;
  int columns_ = 0;
};

// Small icons found by text key. Each image remembers what it was made from (its
// source, a path), so a refill copies the images it already holds instead of making
// them from their icons again.
class KeyedImageList {
 public:
  struct Item {
    std::u16string key;
    std::u16string source;
  };
  // The icon of a source, still owned by whoever gave it; null when it has none.
  using IconOf = std::function<HICON(const std::u16string& source)>;

  KeyedImageList() = default;
  ~KeyedImageList();
  KeyedImageList(const KeyedImageList&) = delete;
  KeyedImageList& operator=(const KeyedImageList&) = delete;
  void Create(int size);
  HIMAGELIST handle() const { return list_; }
  int Count() const;
  void Clear();
  // Copies the icon (or the image already made from the same source); returns its
  // index, or -1 when it could not be added.
  int Add(const std::u16string& key, HICON icon, const std::u16string& source = {});
  int Find(const std::u16string& key) const;
  // Whether it holds an image made from the source.
  bool HasSource(const std::u16string& source) const { return bySource_.count(source) != 0; }
  // Leaves the list as Clear and then Add of each item's icon in order would; returns
  // each item's index, or -1 for an item without an image.
  std::vector<int> Refill(const std::vector<Item>& items, const IconOf& iconOf);

 private:
  HIMAGELIST list_ = nullptr;
  std::map<std::u16string, int> keys_;
  std::unordered_map<std::u16string, int> bySource_;  // an image made from each named source
};

// Horizontal trackbar whose Change fires on every change of its value.
class Slider {
 public:
  void Create(HWND parent, int id, const RECT& pixels, int minimum, int maximum);
  HWND hwnd() const { return hwnd_; }
  int Value() const;
  void SetValue(int value);
  // Call from the parent's WM_HSCROLL for this control.
  void OnScroll();
  std::function<void()> Change;

 private:
  void Notify();
  HWND hwnd_ = nullptr;
  int last_ = 0;
};

// A static text label whose colour and underline the owner sets at run time.
class Label {
 public:
  void Create(HWND parent, int id, const std::u16string& text, const RECT& pixels, HFONT font,
              DWORD extraStyle = 0);
  HWND hwnd() const { return hwnd_; }
  void SetText(const std::u16string& text);
  std::u16string Text() const;
  COLORREF color = ::GetSysColor(COLOR_WINDOWTEXT);

 private:
  HWND hwnd_ = nullptr;
};

// A label sized to its text (an auto-sized label).
void SizeToText(HWND label);
// A label grown, never shrunk, so the whole text shows where the screen's font is larger
// than the layout was drawn for; a wrapping label grows in height only.
void GrowToText(HWND label, bool wraps);

// Modal message box; returns the button pressed (IDYES is 6).
int ShowMessage(HWND owner, const std::u16string& text, const std::u16string& title, UINT style);

}  // namespace tovrel::win
