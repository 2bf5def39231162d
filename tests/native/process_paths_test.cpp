#include "main_window/process_paths.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tovrel {
namespace {

using Processes = std::vector<ProcessPaths::Process>;
using Paths = std::vector<std::u16string>;

// Reads the path a test gives each id, and notes which ids were read.
struct Reader {
  std::u16string operator()(std::uint32_t id, const std::u16string& exeName) {
    read.push_back(id);
    return id == kUnreadable ? u"" : u"c:\\" + exeName;
  }
  static constexpr std::uint32_t kUnreadable = 99;
  std::vector<std::uint32_t> read;
};

TEST(ProcessPaths, APathIsReadOncePerProcessAndAgainForAnIdANewerProcessTook) {
  ProcessPaths paths;
  Reader reader;
  auto refresh = [&](const Processes& processes) {
    reader.read.clear();
    return paths.Refresh(processes, [&](std::uint32_t id, const std::u16string& exe) { return reader(id, exe); });
  };
  EXPECT_EQ(refresh({{4, 100, u"a.exe"}, {8, 200, u"b.exe"}, {Reader::kUnreadable, 300, u"c.exe"}}),
            (Paths{u"c:\\a.exe", u"c:\\b.exe", u""}));
  EXPECT_EQ(reader.read, (std::vector<std::uint32_t>{4, 8, Reader::kUnreadable}));

  // Seen before with the same creation time: not read again. Id 8 now belongs to a
  // process created later; an unreadable process is tried again; 12 is new.
  EXPECT_EQ(refresh({{8, 250, u"d.exe"}, {4, 100, u"a.exe"}, {Reader::kUnreadable, 300, u"c.exe"}, {12, 400, u"e.exe"}}),
            (Paths{u"c:\\d.exe", u"c:\\a.exe", u"", u"c:\\e.exe"}));
  EXPECT_EQ(reader.read, (std::vector<std::uint32_t>{8, Reader::kUnreadable, 12}));
  EXPECT_EQ(paths.size(), 3u) << "kept one it could not read";

  // What ended is dropped: the paths kept never outnumber the processes listed.
  refresh({{12, 400, u"e.exe"}});
  EXPECT_TRUE(reader.read.empty());
  EXPECT_EQ(paths.size(), 1u);
  // A process the system gives no creation time yet is never taken for the one seen before.
  EXPECT_EQ(refresh({{12, 0, u"f.exe"}}), Paths{u"c:\\f.exe"});
  EXPECT_EQ(refresh({{12, 0, u"g.exe"}}), Paths{u"c:\\g.exe"});
  EXPECT_EQ(paths.size(), 0u);
}

}  // namespace
}  // namespace tovrel
