// The real Tovrel.exe's version resource, read the way Explorer's Details page reads it,
// carries the version of resources/version.h in every language it lists, and the running
// window shows that same version.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "main_window/form_main_win.h"
#include "resources/version.h"
#include "tovrel_driver.h"

namespace tovrel {
namespace {

using namespace test;

std::wstring W(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }

struct Translation {
  WORD language;
  WORD codePage;
};

class VersionResource : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring exe = ExeDir() + L"Tovrel.exe";
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_NE(size, 0u) << "no version resource in Tovrel.exe, error " << ::GetLastError();
    data_.resize(size);
    ASSERT_TRUE(::GetFileVersionInfoW(exe.c_str(), 0, size, data_.data()));
  }

  std::vector<Translation> Translations() const {
    void* value = nullptr;
    UINT bytes = 0;
    if (!::VerQueryValueW(data_.data(), L"\\VarFileInfo\\Translation", &value, &bytes)) return {};
    const auto* first = static_cast<const Translation*>(value);
    return {first, first + bytes / sizeof(Translation)};
  }

  // A value of the string table of one translation; "<missing>" when there is none.
  std::wstring String(const Translation& t, const wchar_t* name) const {
    wchar_t path[96];
    std::swprintf(path, 96, L"\\StringFileInfo\\%04x%04x\\%ls", t.language, t.codePage, name);
    void* value = nullptr;
    UINT chars = 0;
    if (!::VerQueryValueW(data_.data(), path, &value, &chars) || !value) return L"<missing>";
    return static_cast<const wchar_t*>(value);
  }

  std::vector<BYTE> data_;
};

TEST_F(VersionResource, FixedVersionNumbersAreTheSourceVersion) {
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT bytes = 0;
  ASSERT_TRUE(::VerQueryValueW(data_.data(), L"\\", reinterpret_cast<void**>(&fixed), &bytes));
  ASSERT_EQ(bytes, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(TOVREL_VERSION_MINOR, TOVREL_VERSION_MAJOR);
  const DWORD low = MAKELONG(0, TOVREL_VERSION_PATCH);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

TEST_F(VersionResource, EveryListedLanguageCarriesVersionNameAndCopyright) {
  const std::vector<Translation> translations = Translations();
  ASSERT_EQ(translations.size(), 2u);
  for (const Translation& t : translations) {
    SCOPED_TRACE(testing::Message() << "language 0x" << std::hex << t.language << ", code page " << std::dec
                                    << t.codePage);
    EXPECT_EQ(t.codePage, 1200) << "UTF-16 strings";
    EXPECT_EQ(String(t, L"FileVersion"), W(TOVREL_U(TOVREL_VERSION)));
    EXPECT_EQ(String(t, L"ProductVersion"), W(TOVREL_U(TOVREL_VERSION_LABEL)));
    EXPECT_EQ(String(t, L"ProductName"), W(TOVREL_U(TOVREL_PRODUCT_NAME)));
    EXPECT_EQ(String(t, L"InternalName"), W(TOVREL_U(TOVREL_PRODUCT_NAME)));
    EXPECT_EQ(String(t, L"OriginalFilename"), L"Tovrel.exe");
    EXPECT_EQ(String(t, L"LegalCopyright"), W(TOVREL_U(TOVREL_COPYRIGHT)));
  }
  // The Chinese description is UTF-8 in the .rc: this fails if the resource compiler misreads it.
  EXPECT_EQ(translations[0].language, 0x0804);
  EXPECT_EQ(String(translations[0], L"FileDescription"), L"程序CPU使用限制器");
  EXPECT_EQ(translations[1].language, 0x0409);
  EXPECT_EQ(String(translations[1], L"FileDescription"), L"Tovrel");
}

TEST_F(VersionResource, TheWindowShowsTheProductVersion) {
  const Translation chinese{0x0804, 1200};
  const std::wstring name = String(chinese, L"ProductName");
  const std::wstring version = String(chinese, L"ProductVersion");
  TovrelApp app;
  ASSERT_NE(app.main(), nullptr);
  EXPECT_EQ(TextOf(app.main()), name + L" " + version);
  EXPECT_EQ(TextOf(::GetDlgItem(app.main(), kLabel3)), L"版本： " + version);
}

}  // namespace
}  // namespace tovrel
