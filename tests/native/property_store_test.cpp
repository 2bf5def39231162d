#include <gtest/gtest.h>

#include "button_control/button_layout.h"
#include "button_control/property_store.h"
#include "platform/run_time_error.h"

namespace tovrel {
namespace {

int ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const RunTimeError& e) {
    return e.number();
  }
  return 0;
}

TEST(PropertyStore, NamesIgnoreCaseAndAreKeptInLowerCase) {
  PropertyStore store;
  store.WriteLong("MidColor", 5, 0);
  EXPECT_TRUE(store.Contains("midcolor"));
  EXPECT_TRUE(store.Contains("MIDCOLOR"));
  EXPECT_EQ(store.values().begin()->first, "midcolor");
  EXPECT_EQ(store.ReadLong("mIdCoLoR", 0), 5);
  store.Set("MIDCOLOR", 7.0);
  EXPECT_EQ(store.size(), 1u);
  EXPECT_EQ(store.ReadLong("MidColor", 0), 7);
}

TEST(PropertyStore, KeepsOnlyValuesThatDifferFromTheirDefault) {
  PropertyStore store;
  store.WriteLong("Percent", 16, 16);
  store.WriteString("Caption", u"Vemblor", u"Vemblor");
  EXPECT_EQ(store.size(), 0u);
  EXPECT_EQ(store.ReadInteger("Percent", 16), 16);

  store.WriteLong("Percent", 40, 16);
  store.WriteString("Caption", u"限制", u"Vemblor");
  EXPECT_EQ(store.ReadInteger("Percent", 16), 40);
  EXPECT_EQ(store.ReadString("Caption", u"Vemblor"), u"限制");

  // Writing the default again removes what was kept.
  store.WriteLong("Percent", 16, 16);
  store.WriteString("caption", u"Vemblor", u"Vemblor");
  EXPECT_EQ(store.size(), 0u);

  Font font;
  store.WriteFont("Font", font);
  EXPECT_TRUE(store.Contains("font"));
  Font other;
  other.bold = true;
  EXPECT_EQ(store.ReadFont("Font", other), font);
  EXPECT_EQ(store.ReadFont("Missing", other), other);
}

TEST(PropertyStore, ConvertsNumbersAndNumericTextLikeTheFormsLayer) {
  PropertyStore store;
  store.Set("a", 2.5);
  store.Set("b", 3.5);
  store.Set("c", u" -42 ");
  store.Set("d", u"1.5e2");
  store.Set("e", 1.0);
  store.Set("f", u"0");
  store.Set("g", 2355.0);
  store.Set("h", 0.25);
  EXPECT_EQ(store.ReadLong("a", 9), 2);  // halves to even
  EXPECT_EQ(store.ReadInteger("b", 9), 4);
  EXPECT_EQ(store.ReadLong("c", 9), -42);
  EXPECT_EQ(store.ReadInteger("d", 9), 150);
  EXPECT_EQ(store.ReadBool("e", 0), kVbTrue);  // any non-zero is true, kept as -1
  EXPECT_EQ(store.ReadBool("f", kVbTrue), kVbFalse);
  EXPECT_EQ(store.ReadString("g", u""), u"2355");
  EXPECT_EQ(store.ReadString("h", u""), u"0.25");
}

TEST(PropertyStore, RefusesValuesOfTheWrongKindOrRange) {
  PropertyStore store;
  store.Set("text", u"abc");
  store.Set("hex", u"0x10");
  store.Set("half", u"12.");
  store.Set("empty", u"");
  store.Set("font", Font{});
  store.Set("number", 1.0);
  store.Set("big", 40000.0);
  store.Set("huge", u"3e10");
  store.Set("edge", -32768.0);
  EXPECT_EQ(ErrorOf([&] { store.ReadLong("text", 0); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { store.ReadLong("hex", 0); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { store.ReadBool("empty", 0); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("font", 0); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { store.ReadString("font", u""); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { store.ReadFont("number", Font{}); }), kErrTypeMismatch);
  EXPECT_EQ(ErrorOf([&] { store.ReadInteger("big", 0); }), kErrOverflow);
  EXPECT_EQ(ErrorOf([&] { store.ReadLong("huge", 0); }), kErrOverflow);
  EXPECT_EQ(store.ReadLong("half", 0), 12);
  EXPECT_EQ(store.ReadLong("big", 0), 40000);
  EXPECT_EQ(store.ReadInteger("edge", 0), -32768);
}

TEST(ButtonLayoutData, KeepsSizeInHundredthsOfMillimetreFontAndCaption) {
  Font font;
  PropertyStore store = ButtonLayoutData(1335, 495, font, u"限制");
  EXPECT_EQ(store.size(), 4u);
  EXPECT_EQ(store.ReadLong("_extentx", 0), 2355);
  EXPECT_EQ(store.ReadLong("_extenty", 0), 873);
  EXPECT_EQ(store.ReadFont("font", Font{u"Arial"}), font);
  EXPECT_EQ(store.ReadString("caption", u""), u"限制");
  // 9 twips are 15.875 hundredths: rounded to the nearest, not truncated.
  EXPECT_EQ(ButtonLayoutData(9, 0, font, u"").ReadLong("_extentx", 0), 16);
}

}  // namespace
}  // namespace tovrel
