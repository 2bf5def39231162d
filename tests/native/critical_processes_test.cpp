#include "throttling/critical_processes.h"

#include <gtest/gtest.h>

#include <string>

namespace tovrel {
namespace {

TEST(CriticalProcess, TheSystemsOwnAreKnownByTheirPathInTheSystemFolder) {
  const std::u16string_view system = u"C:\\Windows\\system32";
  for (auto name :
       {u"csrss.exe", u"wininit.exe", u"smss.exe", u"services.exe", u"lsass.exe", u"winlogon.exe", u"lsaiso.exe"})
    EXPECT_TRUE(IsCriticalSystemProcess(std::u16string(u"C:\\Windows\\System32\\") + name, system, std::nullopt))
        << std::string(name, name + std::char_traits<char16_t>::length(name));
  EXPECT_TRUE(IsCriticalSystemProcess(u"c:\\windows\\system32\\CSRSS.EXE", u"C:\\Windows\\system32\\", false));
  // A copy elsewhere, a look-alike folder, a subfolder or another program is ordinary.
  EXPECT_FALSE(IsCriticalSystemProcess(u"C:\\Users\\me\\csrss.exe", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"D:\\Windows\\System32\\csrss.exe", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"C:\\Windows\\system32x\\csrss.exe", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"C:\\Windows\\system32\\sub\\csrss.exe", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"C:\\Windows\\system32\\svchost.exe", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"C:\\Windows\\system32\\csrss.exe.bak", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"", system, std::nullopt));
  EXPECT_FALSE(IsCriticalSystemProcess(u"csrss.exe", u"", std::nullopt));
  // Where the flag can be read it decides too, wherever the program lives.
  EXPECT_TRUE(IsCriticalSystemProcess(u"D:\\Tools\\agent.exe", system, true));
}

}  // namespace
}  // namespace tovrel
