#include "main_window/form_main_win.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "child_process.h"
#include "soak_run.h"
#include "main_window/file_icon_cache_win.h"
#include "main_window/file_icon_win.h"
#include "main_window/process_list_win.h"
#include "limit_dialog/process_rows.h"
#include "platform/message_loop_win.h"
#include "throttling/process_limits.h"

namespace tovrel {
namespace {

using test::ChildProcess;
using test::ExeDir;

// A child is listed once its executable shows among its modules.
void WaitUntilListable(const ChildProcess& child, const std::u16string& exe) {
  ASSERT_TRUE(child.started());
  ASSERT_TRUE(test::WaitUntil(
      [&] { return !GetProcessImagePath(static_cast<std::int32_t>(child.pid()), exe).empty(); }))
      << "the child's modules never showed its executable";
}

int RowOf(win::ListView& list, DWORD pid) {
  for (int row = 1; row <= list.Count(); ++row)
    if (list.SubItem(row, kSubPid) == DecimalText(pid)) return row;
  return 0;
}

class FormMainTest : public ::testing::Test {
 protected:
  void SetUp() override { ProcessLimits().Clear(); }
  void TearDown() override { ProcessLimits().Clear(); }
};

TEST_F(FormMainTest, TheLoadedListShowsABusyChildWithRowsNumberedWithoutGaps) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  WaitUntilListable(child, u"busy_child.exe");
  FormMain form;
  form.Load();
  win::ListView& list = form.ListViewProcesses();
  ASSERT_GT(list.Count(), 1);
  for (int row = 1; row <= list.Count(); ++row) EXPECT_EQ(list.SubItem(row, 0), DecimalText(row));
  const int row = RowOf(list, child.pid());
  ASSERT_NE(row, 0);
  EXPECT_EQ(list.SubItem(row, kSubExeName), u"busy_child.exe");
  EXPECT_EQ(list.SubItem(row, kSubPercent), u"");
  EXPECT_EQ(list.SelectedRow(), 1);  // a refilled list selects its first row

  // The icons come after the window shows; then, as after a refresh, row n shows image
  // n - 1 (every executable has an icon here) and the image list holds one per row.
  HWND view = list.hwnd();
  auto rowImagesAreTheRows = [&] {
    for (int r = 1; r <= list.Count(); ++r) {
      LVITEMW item{};
      item.mask = LVIF_IMAGE;
      item.iItem = r - 1;
      if (!ListView_GetItem(view, &item) || item.iImage != r - 1) return false;
    }
    return ImageList_GetImageCount(ListView_GetImageList(view, LVSIL_SMALL)) == list.Count();
  };
  EXPECT_TRUE(test::WaitUntil([&] {
    win::DoEvents();
    return rowImagesAreTheRows();
  })) << "the icons never came after start-up";
  form.CommandRefresh_Click();
  EXPECT_TRUE(rowImagesAreTheRows());
}

TEST_F(FormMainTest, RefreshReconcilesTheTableWithTheListedProcesses) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  WaitUntilListable(child, u"busy_child.exe");
  FormMain form;
  form.Load();
  ProcessLimits()(1) = {kVbTrue, static_cast<std::int32_t>(child.pid()), 50, u"x"};
  ProcessLimits()(2) = {kVbTrue, 0x7FFFFFF0, 30, u"gone"};
  form.CommandRefresh_Click();
  EXPECT_EQ(form.ListViewProcesses().SubItem(RowOf(form.ListViewProcesses(), child.pid()), kSubPercent), u"50%");
  EXPECT_EQ(ProcessLimits()(1).Active, kVbTrue);
  EXPECT_EQ(ProcessLimits()(2).Active, kVbFalse);
}

TEST_F(FormMainTest, FormLoadTurnsOffEntriesWithoutAProcessId) {
  ProcessLimits()(3) = {kVbTrue, 0, 50, u""};
  FormMain form;
  form.Load();
  EXPECT_EQ(ProcessLimits()(3).Active, kVbFalse);
}

TEST(ProcessImagePath, MatchesTheNameWithoutRegardToCaseAndAnswersInLowerCase) {
  ChildProcess child(L"\"" + ExeDir() + L"busy_child.exe\" 1");
  WaitUntilListable(child, u"busy_child.exe");
  const std::u16string path = GetProcessImagePath(static_cast<std::int32_t>(child.pid()), u"  BUSY_Child.EXE ");
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.size() - 14), u"busy_child.exe");
  for (char16_t c : path) EXPECT_FALSE(c >= u'A' && c <= u'Z') << "upper case in the path";
  EXPECT_EQ(GetProcessImagePath(static_cast<std::int32_t>(child.pid()), u"nothere.exe"), u"");
  EXPECT_EQ(GetProcessImagePath(0x7FFFFFF0, u"busy_child.exe"), u"");
}

TEST(FileIcon, EachIconIsOwnedByItsPictureAndGoesWithIt) {
  const std::u16string path = GetProcessImagePath(static_cast<std::int32_t>(::GetCurrentProcessId()),
                                                  u"tovrel_win_tests.exe");
  ASSERT_FALSE(path.empty());
  for (bool small : {true, false}) {
    Picture picture = GetFileIcon(path, small);
    ASSERT_TRUE(picture);
    const HICON icon = picture.icon();
    ICONINFO info{};
    ASSERT_TRUE(::GetIconInfo(icon, &info));
    BITMAP bm{};
    ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, small ? 16 : 32);
    ::DeleteObject(info.hbmColor);
    ::DeleteObject(info.hbmMask);
    picture.reset();
    EXPECT_FALSE(::GetIconInfo(icon, &info)) << "the icon outlived its picture";
  }
}

bool IconAlive(HICON icon) {
  ICONINFO info{};
  if (!::GetIconInfo(icon, &info)) return false;
  ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
  return true;
}

TEST(FileIcon, TheCacheAsksOnceForEachPathKeepsTheRecentOnesAndFreesTheRest) {
  std::vector<std::u16string> asked;
  std::vector<HICON> made;
  HICON stock = ::LoadIconW(nullptr, IDI_APPLICATION);
  auto cache = std::make_unique<FileIconCache>(
      [&](const std::u16string& path) {
        asked.push_back(path);
        if (path == u"none") return Picture();
        made.push_back(::CopyIcon(stock));
        return IconToPicture(made.back());
      },
      2);
  const HICON a = cache->SmallIcon(u"a");
  ASSERT_NE(a, nullptr);
  EXPECT_FALSE(IconAlive(made[0])) << "the shell's icon outlived its picture";
  EXPECT_TRUE(IconAlive(a));
  EXPECT_EQ(cache->SmallIcon(u"a"), a);
  EXPECT_EQ(cache->SmallIcon(u"none"), nullptr);
  EXPECT_EQ(cache->SmallIcon(u"none"), nullptr);
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"a", u"none"}));
  // "a" was used before "none": the next new path drops "a".
  const HICON b = cache->SmallIcon(u"b");
  EXPECT_FALSE(IconAlive(a)) << "a dropped icon was not freed";
  EXPECT_EQ(cache->size(), 2u);
  EXPECT_EQ(cache->SmallIcon(u"none"), nullptr);
  cache->SmallIcon(u"a");
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"a", u"none", u"b", u"a"}));
  EXPECT_FALSE(IconAlive(b)) << "the least recently used path was not the one dropped";
  const HICON again = cache->SmallIcon(u"a");
  cache.reset();
  EXPECT_FALSE(IconAlive(again)) << "an icon outlived its cache";
}

TEST_F(FormMainTest, RefreshesHoldsAndLimitsComingAndGoingLeaveNoObjectsBehind) {
  // The USER probe must see objects come and go (after a first window has settled what
  // the system makes once per process).
  auto makeWindow = [] { return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr); };
  ::DestroyWindow(makeWindow());
  const std::size_t users = test::LiveUserObjects();
  HMENU menus[4];
  for (HMENU& m : menus) m = ::CreateMenu();
  EXPECT_EQ(test::LiveUserObjects(), users + 4);
  HWND window = makeWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_GT(test::LiveUserObjects(), users + 4);
  for (HMENU m : menus) ::DestroyMenu(m);
  ::DestroyWindow(window);
  EXPECT_EQ(test::LiveUserObjects(), users);

  std::vector<std::unique_ptr<ChildProcess>> children;
  std::vector<DWORD> pids;
  for (int i = 0; i < 3; ++i) {
    children.push_back(std::make_unique<ChildProcess>(L"\"" + ExeDir() + L"idle_child.exe\" 4"));
    pids.push_back(children.back()->pid());
  }
  for (const auto& child : children) WaitUntilListable(*child, u"idle_child.exe");
  Guard guard(ExeDir() + L"exit_during_hold.exe");
  ASSERT_TRUE(guard.EnsureRunning());
  FormMain form(&guard);
  form.Load();
  form.Show(SW_SHOWNOACTIVATE);
  // The icons come between messages; once made, every refresh shows them at once.
  const HIMAGELIST images = ListView_GetImageList(form.ListViewProcesses().hwnd(), LVSIL_SMALL);
  ASSERT_TRUE(test::WaitUntil([&] {
    win::DoEvents();
    return ImageList_GetImageCount(images) == form.ListViewProcesses().Count();
  }));
  // A first round settles what the system caches on first use.
  test::SoakRun(form, pids, 30, 10, [](int) {});
  const test::ObjectCounts before = test::CountObjects(guard);
  ASSERT_GT(before.guardHandles, 0);
  int holds = 0;
  test::SoakRun(form, pids, 300, 40, [&](int done) { holds = done; });
  EXPECT_EQ(holds, 300);
  const test::ObjectCounts after = test::CountObjects(guard);
  EXPECT_LE(after.handles, before.handles + 2);
  EXPECT_LE(after.guardHandles, before.guardHandles) << "the guard keeps handles of released limits";
  EXPECT_LE(after.gdi, before.gdi + 2);
  EXPECT_LE(after.user, before.user + 2);
  for (DWORD pid : pids) EXPECT_EQ(test::SuspendCountOf(test::ThreadIdsOf(pid).front()), 0u);
  EXPECT_TRUE(test::WaitUntil([&] {
    win::DoEvents();
    return ImageList_GetImageCount(images) == form.ListViewProcesses().Count();
  })) << "a row never got its icon";
}

}  // namespace
}  // namespace tovrel

namespace tovrel {
namespace {

bool LinkUnderlined(HWND label) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(label, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font.lfUnderline != 0;
}

TEST_F(FormMainTest, TheLinkLabelIsUnderlinedOnlyAfterThePointerMovedOverIt) {
  FormMain form;
  form.Load();
  HWND link = ::GetDlgItem(form.hwnd(), kLabelOstrin);
  HWND label1 = ::GetDlgItem(form.hwnd(), kLabel1);
  EXPECT_FALSE(LinkUnderlined(link));
  ::SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
  EXPECT_TRUE(LinkUnderlined(link));
  ::SendMessageW(label1, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));  // another label: stays hovered
  EXPECT_TRUE(LinkUnderlined(link));
  ::SendMessageW(form.hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(400, 20));  // the bare window
  EXPECT_FALSE(LinkUnderlined(link));
}

}  // namespace
}  // namespace tovrel

namespace tovrel {
namespace {

RECT PlaceOf(HWND parent, int id) {
  RECT r{};
  HWND child = ::GetDlgItem(parent, id);
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

int FontHeight(HWND control) {
  LOGFONTW font{};
  ::GetObjectW(reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font), &font);
  return font.lfHeight;
}

void ChangeDpi(HWND window, int dpi) {
  RECT r{};
  ::GetWindowRect(window, &r);
  r.right = r.left + (r.right - r.left) * 3 / 2;
  r.bottom = r.top + (r.bottom - r.top) * 3 / 2;
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&r));
}

TEST_F(FormMainTest, ADpiChangeLaysTheWindowOutAgainFromItsTwips) {
  FormMain form;
  form.Load();
  ChangeDpi(form.hwnd(), 144);
  // 1 twip is 0.1 px at 144 DPI; halves round up as MulDiv does.
  const RECT list = PlaceOf(form.hwnd(), kListViewProcesses);
  EXPECT_EQ(list.left, 72);
  EXPECT_EQ(list.top, 192);
  EXPECT_EQ(list.right - list.left, 578);
  EXPECT_EQ(list.bottom - list.top, 446);
  const RECT limit = PlaceOf(form.hwnd(), kCommandLimit);
  EXPECT_EQ(limit.left, 360);
  EXPECT_EQ(limit.top, 672);
  EXPECT_EQ(limit.right - limit.left, 134);
  EXPECT_EQ(limit.bottom - limit.top, 50);
  EXPECT_EQ(FontHeight(::GetDlgItem(form.hwnd(), kListViewProcesses)), -18);
  EXPECT_EQ(ListView_GetColumnWidth(form.ListViewProcesses().hwnd(), 2), 260);

  ChangeDpi(form.hwnd(), 96);
  const RECT back = PlaceOf(form.hwnd(), kCommandLimit);
  EXPECT_EQ(back.left, 240);
  EXPECT_EQ(back.right - back.left, 89);
  EXPECT_EQ(FontHeight(::GetDlgItem(form.hwnd(), kListViewProcesses)), -12);
}

}  // namespace
}  // namespace tovrel
