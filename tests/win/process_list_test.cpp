// The process list's cheaper calls against the listing they replace, read literally:
// a toolhelp process snapshot, then a module snapshot of each process walked for the
// first path that contains its executable's name.
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "main_window/file_icon_win.h"
#include "main_window/process_list_win.h"
#include "platform/controls_win.h"

namespace tovrel {
namespace {

using test::ChildProcess;
using test::ExeDir;
using test::WaitUntil;

std::wstring Trim(const std::wstring& s) {
  const auto first = s.find_first_not_of(L' ');
  if (first == std::wstring::npos) return L"";
  return s.substr(first, s.find_last_not_of(L' ') - first + 1);
}

std::wstring Cased(std::wstring s, bool upper) {
  if (!s.empty()) (upper ? ::CharUpperBuffW : ::CharLowerBuffW)(s.data(), static_cast<DWORD>(s.size()));
  return s;
}

std::u16string U16(const std::wstring& s) { return std::u16string(s.begin(), s.end()); }

std::vector<RunningProcess> LiteralSnapshot() {
  std::vector<RunningProcess> processes;
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  for (BOOL ok = ::Process32FirstW(snap, &entry); ok; ok = ::Process32NextW(snap, &entry))
    processes.push_back({entry.th32ProcessID, U16(entry.szExeFile)});
  ::CloseHandle(snap);
  return processes;
}

std::u16string LiteralPath(std::uint32_t pid, const std::u16string& exeName) {
  const std::wstring name = Cased(Trim(std::wstring(exeName.begin(), exeName.end())), true);
  HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  std::u16string result;
  MODULEENTRY32W module{};
  module.dwSize = sizeof(module);
  for (BOOL ok = ::Module32FirstW(snap, &module); ok && !name.empty(); ok = ::Module32NextW(snap, &module)) {
    if (Cased(module.szExePath, true).find(name) != std::wstring::npos) {
      result = U16(Trim(Cased(module.szExePath, false)));
      break;
    }
  }
  if (snap != INVALID_HANDLE_VALUE) ::CloseHandle(snap);
  return result;
}

// What a listing read of one process: its name and, when listed, its path.
struct Seen {
  std::u16string exeName;
  std::u16string path;
};

std::map<std::uint32_t, Seen> PathsOf(const std::vector<RunningProcess>& processes, bool literal) {
  std::map<std::uint32_t, Seen> seen;
  for (const RunningProcess& p : processes) {
    const std::u16string name = U16(Trim(std::wstring(p.exeName.begin(), p.exeName.end())));
    seen[p.id] = {name, literal ? LiteralPath(p.id, name)
                                : GetProcessImagePath(static_cast<std::int32_t>(p.id), name)};
  }
  return seen;
}

// A child that writes a file once it is ready.
struct ReadyChild {
  ReadyChild(const std::wstring& exe, const std::wstring& mode)
      : file(NoFile(ExeDir() + L"ready-" + mode + L".txt")),
        child(L"\"" + ExeDir() + exe + L"\" " + mode + L" \"" + file + L"\"") {}
  static std::wstring NoFile(const std::wstring& path) {
    ::DeleteFileW(path.c_str());
    return path;
  }
  bool WaitReady() const {
    return WaitUntil([&] { return ::GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; });
  }
  std::wstring file;
  ChildProcess child;
};

TEST(ProcessList, TheCheaperCallsListWhatTheLiteralListingListed) {
  ChildProcess plain(L"\"" + ExeDir() + L"idle_child.exe\"");
  ChildProcess suspended(L"\"" + ExeDir() + L"idle_child.exe\"", CREATE_SUSPENDED);
  ReadyChild hidden(L"masked_child.exe", L"hide");
  ReadyChild renamed(L"masked_child.exe", L"rename");
  ChildProcess ending(L"\"" + ExeDir() + L"idle_child.exe\"");
  // Executable paths as long as a module record keeps, and longer: cut inside the name.
  ReadyChild longest(L"masked_child.exe", L"long259");
  ReadyChild tooLong(L"masked_child.exe", L"long260");
  for (const ChildProcess* c : {&plain, &suspended, &ending}) ASSERT_TRUE(c->started());
  for (const ReadyChild* c : {&hidden, &renamed, &longest, &tooLong}) ASSERT_TRUE(c->WaitReady());
  ASSERT_TRUE(WaitUntil([&] { return !GetProcessImagePath(static_cast<std::int32_t>(plain.pid()), u"idle_child.exe").empty(); }));
  ASSERT_TRUE(WaitUntil([&] { return !GetProcessImagePath(static_cast<std::int32_t>(ending.pid()), u"idle_child.exe").empty(); }));

  // Both lists are taken while every child runs; one child ends before its modules are read.
  const std::vector<RunningProcess> literalList = LiteralSnapshot();
  const ProcessSnapshot snapshot = TakeProcessSnapshot();
  ::TerminateProcess(ending.process(), 0);
  ASSERT_EQ(::WaitForSingleObject(ending.process(), 10000), WAIT_OBJECT_0);
  const std::map<std::uint32_t, Seen> literal = PathsOf(literalList, true);
  const std::map<std::uint32_t, Seen> cheaper = PathsOf(snapshot.processes, false);

  // The same processes in the same order, with the same names, paths and presence.
  std::vector<std::uint32_t> literalOrder, cheaperOrder;
  for (const RunningProcess& p : literalList)
    if (cheaper.count(p.id)) literalOrder.push_back(p.id);
  for (const RunningProcess& p : snapshot.processes)
    if (literal.count(p.id)) cheaperOrder.push_back(p.id);
  EXPECT_EQ(cheaperOrder, literalOrder);
  EXPECT_GT(cheaperOrder.size(), 6u);
  for (const auto& [pid, seen] : cheaper) {
    const auto other = literal.find(pid);
    if (other == literal.end()) continue;
    EXPECT_EQ(seen.exeName, other->second.exeName) << "process " << pid;
    EXPECT_EQ(seen.path, other->second.path) << "process " << pid;
  }

  // Each hard case was in both lists, and came out as it must.
  auto pathOf = [&](DWORD pid) {
    EXPECT_TRUE(literal.count(pid) && cheaper.count(pid)) << "process " << pid << " missing from a list";
    return cheaper.count(pid) ? cheaper.at(pid).path : u"?";
  };
  const std::u16string plainPath = pathOf(plain.pid());
  ASSERT_GT(plainPath.size(), 14u);
  EXPECT_EQ(plainPath.substr(plainPath.size() - 14), u"idle_child.exe");
  EXPECT_EQ(pathOf(suspended.pid()), u"") << "a process without loader data yet";
  EXPECT_EQ(pathOf(hidden.child.pid()), u"") << "a process whose modules cannot be read";
  EXPECT_EQ(pathOf(renamed.child.pid()), u"c:\\windows\\masked_child.exe.local\\ntdll.dll");
  EXPECT_EQ(pathOf(ending.pid()), u"") << "a process that ended before its modules were read";
  const std::u16string cut = pathOf(longest.child.pid());
  EXPECT_EQ(cut.size(), 259u);
  EXPECT_EQ(cut.substr(cut.size() < 17 ? 0 : cut.size() - 17), u"\\masked_child.exe");
  EXPECT_EQ(pathOf(tooLong.child.pid()), u"") << "a path cut inside the executable's name";
}

// A 16 x 16 icon of one colour, with alpha, so every source looks different.
HICON SolidIcon(std::uint32_t argb) {
  std::vector<std::uint32_t> pixels(16 * 16, argb);
  HBITMAP color = ::CreateBitmap(16, 16, 1, 32, pixels.data());
  HBITMAP mask = ::CreateBitmap(16, 16, 1, 1, std::vector<std::uint8_t>(32, 0).data());
  ICONINFO info{TRUE, 0, 0, mask, color};
  HICON icon = ::CreateIconIndirect(&info);
  ::DeleteObject(color);
  ::DeleteObject(mask);
  return icon;
}

// The pixels of an image, colour and mask, as an icon made from it shows them.
std::vector<std::uint8_t> ImageBits(HIMAGELIST list, int index) {
  HICON icon = ImageList_GetIcon(list, index, ILD_NORMAL);
  ICONINFO info{};
  ::GetIconInfo(icon, &info);
  std::vector<std::uint8_t> bits;
  HDC dc = ::GetDC(nullptr);
  for (HBITMAP bitmap : {info.hbmColor, info.hbmMask}) {
    BITMAPINFO format{};
    format.bmiHeader = {sizeof(BITMAPINFOHEADER), 16, -16, 1, 32, BI_RGB};
    std::vector<std::uint8_t> part(16 * 16 * 4);
    ::GetDIBits(dc, bitmap, 0, 16, part.data(), &format, DIB_RGB_COLORS);
    bits.insert(bits.end(), part.begin(), part.end());
    ::DeleteObject(bitmap);
  }
  ::ReleaseDC(nullptr, dc);
  ::DestroyIcon(icon);
  return bits;
}

TEST(KeyedImageList, ARefillLeavesWhatClearingAndAddingEveryIconLeaves) {
  std::map<std::u16string, HICON> icons{{u"a", SolidIcon(0xFFFF0000)}, {u"b", SolidIcon(0x8000FF00)},
                                        {u"c", SolidIcon(0xFF0000FF)}, {u"x", SolidIcon(0x40FFFF00)},
                                        {u"none", nullptr}};
  std::vector<std::u16string> asked;
  auto iconOf = [&](const std::u16string& source) {
    asked.push_back(source);
    return icons.at(source);
  };
  auto items = [](std::vector<std::u16string> sources) {
    std::vector<win::KeyedImageList::Item> list;
    for (std::size_t i = 0; i < sources.size(); ++i) {
      std::u16string key = u"P";
      key += static_cast<char16_t>(u'2' + i);
      list.push_back({key, sources[i]});
    }
    return list;
  };
  win::KeyedImageList kept;
  kept.Create(16);
  // The old images: one at a time, a source seen before copied rather than made again.
  for (const auto& item : items({u"a", u"b", u"c", u"a", u"none"}))
    kept.Add(item.key, iconOf(item.source), item.source);
  EXPECT_EQ(kept.Count(), 4);
  EXPECT_EQ(kept.Find(u"P6"), -1);
  // Shifted, repeated, new and missing sources.
  const auto wanted = items({u"c", u"x", u"a", u"a", u"none", u"b", u"x"});
  asked.clear();
  const std::vector<int> indexes = kept.Refill(wanted, iconOf);
  EXPECT_EQ(asked, (std::vector<std::u16string>{u"x", u"none"})) << "an image it held was made again";
  EXPECT_EQ(indexes, (std::vector<int>{0, 1, 2, 3, -1, 4, 5}));

  win::KeyedImageList fresh;
  fresh.Create(16);
  for (const auto& item : wanted) fresh.Add(item.key, icons.at(item.source));
  ASSERT_EQ(kept.Count(), fresh.Count());
  ASSERT_NE(ImageBits(fresh.handle(), 0), ImageBits(fresh.handle(), 1)) << "the images cannot be told apart";
  for (const auto& item : wanted) EXPECT_EQ(kept.Find(item.key), fresh.Find(item.key));
  for (int i = 0; i < fresh.Count(); ++i)
    EXPECT_EQ(ImageBits(kept.handle(), i), ImageBits(fresh.handle(), i)) << "image " << i;
  for (auto& [source, icon] : icons)
    if (icon) ::DestroyIcon(icon);
}

TEST(RowIconFill, ARefreshDuringAnUnfinishedFillEndsAsAFillFromScratch) {
  std::map<std::u16string, HICON> icons{{u"a", SolidIcon(0xFFFF0000)}, {u"b", SolidIcon(0x8000FF00)},
                                        {u"c", SolidIcon(0xFF0000FF)}, {u"x", SolidIcon(0x40FFFF00)},
                                        {u"none", nullptr}};
  std::map<std::u16string, int> made;
  FileIconCache cache([&](const std::u16string& path) {
    ++made[path];
    return icons.at(path) ? IconToPicture(::CopyIcon(icons.at(path))) : win::Picture();
  });
  HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr, nullptr, nullptr);
  win::ListView list;
  list.Create(parent, 1, RECT{0, 0, 300, 300}, nullptr);
  list.AddColumn(u"ID", 50);
  win::KeyedImageList images;
  images.Create(16);
  RowIconFill fill(list, images, cache);
  auto refill = [&](const std::vector<std::u16string>& paths) {
    list.Clear();
    for (std::size_t i = 0; i < paths.size(); ++i) list.AddRow(u"row");
    fill.Restart(paths);
  };
  auto rowImage = [&](int row) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row - 1;
    ListView_GetItem(list.hwnd(), &item);
    return item.iImage;
  };
  const auto never = [] { return false; };

  refill({u"a", u"b", u"a", u"c"});
  EXPECT_FALSE(fill.Done()) << "no icon is known yet";
  fill.AddUntil([] { return true; });  // only the first row's icon is made
  // A refresh overtakes the fill: a row whose icon is known shows it at once.
  const std::vector<std::u16string> paths{u"c", u"x", u"a", u"none", u"b", u"x", u"a"};
  refill(paths);
  EXPECT_GE(rowImage(3), 0) << "a known icon waited";
  EXPECT_EQ(rowImage(1), I_IMAGENONE);
  EXPECT_TRUE(fill.AddUntil(never));

  win::KeyedImageList fresh;
  fresh.Create(16);
  for (std::size_t i = 0; i < paths.size(); ++i) {
    std::u16string key = u"P";
    key += static_cast<char16_t>(u'2' + i);
    fresh.Add(key, icons.at(paths[i]));
    EXPECT_EQ(images.Find(key), fresh.Find(key)) << "row " << i + 1;
    const int wanted = fresh.Find(key) < 0 ? I_IMAGENONE : fresh.Find(key);
    EXPECT_EQ(rowImage(static_cast<int>(i) + 1), wanted) << "row " << i + 1;
  }
  ASSERT_EQ(images.Count(), fresh.Count());
  for (int i = 0; i < fresh.Count(); ++i)
    EXPECT_EQ(ImageBits(images.handle(), i), ImageBits(fresh.handle(), i)) << "image " << i;
  for (const auto& [path, times] : made) EXPECT_EQ(times, 1) << "the shell was asked again for " << static_cast<char>(path[0]);
  ::DestroyWindow(parent);
  for (auto& [source, icon] : icons)
    if (icon) ::DestroyIcon(icon);
}

}  // namespace
}  // namespace tovrel
