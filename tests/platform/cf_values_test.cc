#include <gtest/gtest.h>

#include "platform/corefoundation/CoreFoundation.h"

TEST(CFNumber, ConversionsTruncateAndReport) {
  SInt32 big = 70000;
  auto n = CFNumberCreate(nullptr, kCFNumberSInt32Type, &big);
  SInt16 s16 = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt16Type, &s16));
  EXPECT_EQ(s16, static_cast<SInt16>(70000));
  SInt8 s8 = 0;
  EXPECT_FALSE(CFNumberGetValue(n, kCFNumberSInt8Type, &s8));
  EXPECT_EQ(s8, static_cast<SInt8>(70000 & 0xFF));
  SInt32 s32 = 0;
  EXPECT_TRUE(CFNumberGetValue(n, kCFNumberSInt32Type, &s32));
  EXPECT_EQ(s32, 70000);

  double d = 2.75;
  auto f = CFNumberCreate(nullptr, kCFNumberFloat64Type, &d);
  SInt16 t = 0;
  EXPECT_FALSE(CFNumberGetValue(f, kCFNumberSInt16Type, &t));
  EXPECT_EQ(t, 2);
  double neg = -2.75;
  auto g = CFNumberCreate(nullptr, kCFNumberFloat64Type, &neg);
  EXPECT_FALSE(CFNumberGetValue(g, kCFNumberSInt8Type, &s8));
  EXPECT_EQ(s8, -2);
  float fl = 0;
  double half = 0.5;
  auto h = CFNumberCreate(nullptr, kCFNumberFloat64Type, &half);
  EXPECT_TRUE(CFNumberGetValue(h, kCFNumberFloatType, &fl));
  EXPECT_EQ(fl, 0.5f);
  SInt16 five = 5;
  auto i = CFNumberCreate(nullptr, kCFNumberSInt16Type, &five);
  EXPECT_TRUE(CFNumberGetValue(i, kCFNumberFloatType, &fl));
  EXPECT_EQ(fl, 5.0f);
}

TEST(CFString, MacRomanConversionFailsWhenItCannot) {
  auto s = CFStringFromUTF8("caf\xC3\xA9");  // café
  char buf[16];
  ASSERT_TRUE(CFStringGetCString(s, buf, sizeof buf, kCFStringEncodingMacRoman));
  EXPECT_EQ(static_cast<unsigned char>(buf[3]), 0x8E);                     // é in Mac Roman
  EXPECT_FALSE(CFStringGetCString(s, buf, 4, kCFStringEncodingMacRoman));  // no room for NUL
  EXPECT_TRUE(CFStringGetCString(s, buf, 5, kCFStringEncodingMacRoman));
  auto cjk = CFStringFromUTF8("\xE6\x97\xA5");  // 日
  EXPECT_FALSE(CFStringGetCString(cjk, buf, sizeof buf, kCFStringEncodingMacRoman));
  auto back = CFStringCreateWithCString(nullptr, "caf\x8E", kCFStringEncodingMacRoman);
  EXPECT_TRUE(CFEqual(back, s));
}

TEST(CFString, InvalidUtf8IsReplacedNotDropped) {
  auto s =
      CFStringFromUTF8(std::string("a\xFF"
                                   "b",
                                   3));
  EXPECT_EQ(CFStringGetLength(s), 3);
  EXPECT_EQ(CFStringGetCharacterAtIndex(s, 1), 0xFFFD);
}

TEST(CFCollections, OwnershipAndNonRetainingArrays) {
  auto key = CFStringFromUTF8("k");
  auto value = CFStringFromUTF8("v");
  {
    auto dict = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                          &kCFTypeDictionaryValueCallBacks);
    CFDictionarySetValue(dict, key, value);
    EXPECT_EQ(CFGetRetainCount(value), 2);
    CFDictionaryAddValue(dict, key, kCFBooleanTrue);  // present: unchanged
    EXPECT_EQ(CFDictionaryGetValue(dict, CFSTR("k")), value.get());
  }
  EXPECT_EQ(CFGetRetainCount(value), 1);
  auto plain = CFArrayCreateMutable(nullptr, 0, nullptr);
  CFArrayAppendValue(plain, value);
  EXPECT_EQ(CFGetRetainCount(value), 1);
  auto owning = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  CFArrayAppendValue(owning, value);
  EXPECT_EQ(CFGetRetainCount(value), 2);
  CFArrayRemoveValueAtIndex(owning, 0);
  EXPECT_EQ(CFGetRetainCount(value), 1);
}

TEST(CFData, NoCopyDataFreesItsBufferOnce) {
  auto* buf = static_cast<UInt8*>(std::malloc(4));
  std::memcpy(buf, "abcd", 4);
  {
    auto d = CFDataCreateWithBytesNoCopy(nullptr, buf, 4, kCFAllocatorDefault);
    EXPECT_EQ(CFDataGetBytePtr(d), buf);
    auto copy = d;  // second reference: the buffer lives on
  }
  // ASan reports a leak or a double free here if ownership is wrong.
  SUCCEED();
}
