#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

#include "platform/propertylists/PropertyList.h"
#include "support/plist_support.h"

using namespace plist_test;

namespace {

CFRef<CFNumberRef> Int(SInt64 v) { return CFNumberCreate(nullptr, kCFNumberSInt64Type, &v); }
CFRef<CFNumberRef> Real(double v) { return CFNumberCreate(nullptr, kCFNumberFloat64Type, &v); }
CFRef<CFDataRef> Bytes(const std::string& b) {
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(b.data()),
                      static_cast<CFIndex>(b.size()));
}

CFRef<CFMutableDictionaryRef> NewDict() {
  return CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                   &kCFTypeDictionaryValueCallBacks);
}
CFRef<CFMutableArrayRef> NewArray() {
  return CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
}
void Put(CFMutableDictionaryRef d, const char* key, CFTypeRef value) {
  CFDictionarySetValue(d, CFStringFromUTF8(key), value);
}
CFTypeRef Get(CFDictionaryRef d, const char* key) {
  return static_cast<CFTypeRef>(CFDictionaryGetValue(d, CFStringFromUTF8(key)));
}

CFRef<CFPropertyListRef> Parse(const std::string& bytes, CFOptionFlags option = 0,
                               CFStringRef* error = nullptr) {
  return CFPropertyListCreateFromXMLData(nullptr, Bytes(bytes), option, error);
}

std::string XML(CFPropertyListRef plist) {
  auto data = CFPropertyListCreateXMLData(nullptr, plist);
  if (!data) return {};
  return std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(data)),
                     static_cast<std::size_t>(CFDataGetLength(data)));
}

// One value of every kind, with the edges of each.
CFRef<CFMutableDictionaryRef> EveryKind() {
  auto d = NewDict();
  Put(d, "string", CFStringFromUTF8("a <b> & \"c\" 'd' caf\xC3\xA9 \xF0\x9D\x84\x9E\ttab\nline"));
  Put(d, "empty string", CFStringFromUTF8(""));
  Put(d, "zero", Int(0));
  Put(d, "negative", Int(-5));
  Put(d, "int max", Int(std::numeric_limits<SInt64>::max()));
  Put(d, "int min", Int(std::numeric_limits<SInt64>::min()));
  Put(d, "real", Real(0.1));
  Put(d, "whole real", Real(2.0));
  Put(d, "tiny real", Real(-1.5e-300));
  Put(d, "true", kCFBooleanTrue);
  Put(d, "false", kCFBooleanFalse);
  Put(d, "date", CFDateCreate(nullptr, 700000000.0));
  Put(d, "date before 2001", CFDateCreate(nullptr, -86401.0));
  Put(d, "date in 1900", CFDateCreate(nullptr, -3187296000.0));
  Put(d, "date in 2100", CFDateCreate(nullptr, 3144398400.0));
  Put(d, "data", Bytes(std::string("\x00\x01\xFF\x80", 4)));
  auto inner = NewArray();
  CFArrayAppendValue(inner, Int(1));
  CFArrayAppendValue(inner, NewDict());
  CFArrayAppendValue(inner, NewArray());
  CFArrayAppendValue(inner, CFStringFromUTF8("x"));
  Put(d, "array", inner);
  auto nested = NewDict();
  Put(nested, "key with spaces & <marks>", Real(-2.5));
  Put(d, "dict", nested);
  return d;
}

}  // namespace

TEST(PropertyListXML, EveryKindRoundTripsWithItsKind) {
  auto original = EveryKind();
  auto back = CFRefAs<CFDictionaryRef>(Parse(XML(original)));
  ASSERT_TRUE(back);
  EXPECT_TRUE(CFEqual(original, back)) << CFDescribe(back);
  // CFEqual calls 2 and 2.0 equal; the kinds must survive too.
  EXPECT_FALSE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back, "zero"))));
  EXPECT_FALSE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back, "int min"))));
  EXPECT_TRUE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(back, "whole real"))));
  EXPECT_EQ(CFGetTypeID(Get(back, "date in 2100")), kCFTypeIDDate);
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(Get(back, "date in 1900"))),
            -3187296000.0);
  // A second trip gives the same text: keys are written in a fixed order.
  EXPECT_EQ(XML(back), XML(original));
  EXPECT_NE(XML(original).find("<!DOCTYPE plist"), std::string::npos);
}

TEST(PropertyListXML, DatesKeepWholeSecondsCountedFrom2001) {
  auto at = [](const char* iso) {
    auto v = Parse(std::string("<plist version=\"1.0\"><date>") + iso + "</date></plist>");
    return CFGetTypeID(v) == kCFTypeIDDate ? CFDateGetAbsoluteTime(static_cast<CFDateRef>(v.get()))
                                           : NAN;
  };
  EXPECT_EQ(at("2001-01-01T00:00:00Z"), 0.0);
  EXPECT_EQ(at("2000-12-31T23:59:59Z"), -1.0);
  EXPECT_EQ(at("2024-02-29T12:30:15Z"), 730902615.0);
  EXPECT_EQ(at("2100-06-01T12:00:00Z"), 3137227200.0);
  // The fraction goes (the format has none), always towards the earlier second.
  auto array = NewArray();
  CFArrayAppendValue(array, CFDateCreate(nullptr, 10.75));
  CFArrayAppendValue(array, CFDateCreate(nullptr, -10.25));
  auto back = CFRefAs<CFArrayRef>(Parse(XML(array)));
  ASSERT_TRUE(back);
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(CFArrayGetValueAtIndex(back, 0))), 10.0);
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(CFArrayGetValueAtIndex(back, 1))), -11.0);
}

TEST(PropertyListXML, MutabilityFollowsTheOption) {
  auto xml = XML(EveryKind());
  struct Case {
    CFOptionFlags option;
    bool containers, leaves;
  } cases[] = {{kCFPropertyListImmutable, false, false},
               {kCFPropertyListMutableContainers, true, false},
               {kCFPropertyListMutableContainersAndLeaves, true, true}};
  for (auto& c : cases) {
    auto d = CFRefAs<CFDictionaryRef>(Parse(xml, c.option));
    ASSERT_TRUE(d);
    auto array = static_cast<CFArrayRef>(Get(d, "array"));
    EXPECT_EQ(d.get()->mutableDictionary, c.containers) << c.option;
    EXPECT_EQ(array->mutableArray, c.containers) << c.option;
    EXPECT_EQ(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(array, 1))->mutableDictionary,
              c.containers);
    EXPECT_EQ(static_cast<CFStringRef>(Get(d, "string"))->mutableString, c.leaves);
    EXPECT_EQ(static_cast<CFDataRef>(Get(d, "data"))->mutableData, c.leaves);
  }
}

TEST(PropertyListXML, ValuesXMLCannotHoldAreRefused) {
  auto refused = [](CFTypeRef value) {
    auto d = NewDict();
    Put(d, "k", value);
    return !CFPropertyListCreateXMLData(nullptr, d) &&
           !CFPropertyListIsValid(d, kCFPropertyListXMLFormat_v1_0);
  };
  auto url = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
  EXPECT_TRUE(refused(url));
  EXPECT_TRUE(refused(CFStringFromUTF8(std::string("a\0b", 3))));
  EXPECT_TRUE(refused(CFStringFromUTF8("bell\x07")));
  const UniChar lone[] = {u'a', 0xD800, u'b'};
  EXPECT_TRUE(refused(CFStringCreateWithCharacters(nullptr, lone, 3)));
  EXPECT_TRUE(refused(CFDateCreate(nullptr, NAN)));
  EXPECT_TRUE(refused(CFDateCreate(nullptr, 1e300)));
  EXPECT_FALSE(refused(CFStringFromUTF8("tab\t cr\r lf\n")));

  auto numberKeyed = NewDict();
  CFDictionarySetValue(numberKeyed, Int(1), CFSTR("one"));
  EXPECT_FALSE(CFPropertyListCreateXMLData(nullptr, numberKeyed));

  // A container that holds itself has no end; it must be refused, not recursed forever.
  auto loop = NewArray();
  CFArrayAppendValue(loop, loop);
  EXPECT_FALSE(CFPropertyListIsValid(loop, kCFPropertyListBinaryFormat_v1_0));
  EXPECT_FALSE(CFPropertyListCreateDeepCopy(nullptr, loop, 0));
  CFArrayRemoveAllValues(loop);

  // Control characters are only an XML matter.
  auto bell = NewArray();
  CFArrayAppendValue(bell, CFStringFromUTF8("bell\x07"));
  EXPECT_TRUE(CFPropertyListIsValid(bell, kCFPropertyListBinaryFormat_v1_0));
  EXPECT_FALSE(CFPropertyListIsValid(nullptr, kCFPropertyListXMLFormat_v1_0));
}

TEST(PropertyListXML, BadBytesGiveNullAndAReason) {
  std::string nested;
  for (int i = 0; i < 600; ++i) nested += "<array>";
  for (int i = 0; i < 600; ++i) nested += "</array>";
  const std::string bad[] = {
      "",
      "hello world",
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key><string>x</string>",
      "bplist00 and then nothing sensible",
      "<plist version=\"1.0\">" + nested + "</plist>",
  };
  for (auto& bytes : bad) {
    CFStringRef error = CFSTR("untouched");
    EXPECT_FALSE(Parse(bytes, 0, &error)) << bytes.substr(0, 40);
    ASSERT_NE(error, nullptr);
    EXPECT_GT(CFStringGetLength(error), 0);
    CFRelease(error);  // as a caller on the Mac would; harmless here
  }
  CFStringRef error = CFSTR("untouched");
  EXPECT_TRUE(Parse("<plist version=\"1.0\"><true/></plist>", 0, &error));
  EXPECT_EQ(error, nullptr);
  EXPECT_FALSE(CFPropertyListCreateFromXMLData(nullptr, nullptr, 0, nullptr));
}

TEST(PropertyListXML, EmptyDataRoundTrips) {
  auto array = NewArray();
  CFArrayAppendValue(array, Bytes(""));
  auto back = CFRefAs<CFArrayRef>(Parse(XML(array)));
  ASSERT_EQ(CFArrayGetCount(back), 1);
  EXPECT_TRUE(CFEqual(back, array));
}

TEST(PropertyListXML, CFRefAsGivesMutableKindsOnlyForMutableObjects) {
  auto xml = XML(EveryKind());
  EXPECT_FALSE(CFRefAs<CFArrayRef>(Parse(xml)));
  EXPECT_TRUE(CFRefAs<CFDictionaryRef>(Parse(xml)));
  EXPECT_FALSE(CFRefAs<CFMutableDictionaryRef>(Parse(xml, kCFPropertyListImmutable)));
  auto mutableDict = CFRefAs<CFMutableDictionaryRef>(Parse(xml, kCFPropertyListMutableContainers));
  ASSERT_TRUE(mutableDict);
  CFDictionaryRemoveValue(mutableDict, CFSTR("zero"));
  EXPECT_EQ(CFGetRetainCount(mutableDict), 1);  // the reference moved, none leaked
}

// ------------------------------------------------------------- other programs

namespace {

// Values plistlib writes, as Python spells them; UIDs and integers beyond 64
// signed bits have no kind here (binary only, as XML cannot hold UIDs).
const char* kPythonValues = R"(
base = datetime.datetime(2001, 1, 1)
v = {"name": "Korvane \u2603 \U0001D11E <&>", "empty": "", "count": 42, "negative": -7,
     "huge": 9223372036854775807, "real": 0.25, "whole real": 3.0, "yes": True, "no": False,
     "when": base + datetime.timedelta(seconds=700000000), "before": base - datetime.timedelta(seconds=86401),
     "blob": b"\x00\x01\xfe\xff", "list": [1, "two", [], {}], "nested": {"Hot Key": b"\x00\x00\x00\x31\x00\x00\x01\x00"}}
xml = dict(v)
binary = dict(v, uid=plistlib.UID(7), uids=[plistlib.UID(3), 5], unsigned=2**63 + 5,
              fraction=base + datetime.timedelta(seconds=1.25), earlier=base - datetime.timedelta(seconds=1.5))
)";

void ExpectPythonValues(CFDictionaryRef d) {
  EXPECT_EQ(CFStringToUTF8(static_cast<CFStringRef>(Get(d, "name"))),
            "Korvane \xE2\x98\x83 \xF0\x9D\x84\x9E <&>");
  EXPECT_TRUE(CFEqual(Get(d, "empty"), CFSTR("")));
  EXPECT_TRUE(CFEqual(Get(d, "count"), Int(42)));
  EXPECT_TRUE(CFEqual(Get(d, "negative"), Int(-7)));
  EXPECT_TRUE(CFEqual(Get(d, "huge"), Int(std::numeric_limits<SInt64>::max())));
  EXPECT_FALSE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(d, "huge"))));
  EXPECT_TRUE(CFEqual(Get(d, "real"), Real(0.25)));
  EXPECT_TRUE(CFNumberIsFloatType(static_cast<CFNumberRef>(Get(d, "whole real"))));
  EXPECT_EQ(Get(d, "yes"), kCFBooleanTrue);
  EXPECT_EQ(Get(d, "no"), kCFBooleanFalse);
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(Get(d, "when"))), 700000000.0);
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(Get(d, "before"))), -86401.0);
  EXPECT_TRUE(CFEqual(Get(d, "blob"), Bytes(std::string("\x00\x01\xFE\xFF", 4))));
  auto list = static_cast<CFArrayRef>(Get(d, "list"));
  ASSERT_EQ(CFGetTypeID(list), kCFTypeIDArray);
  ASSERT_EQ(CFArrayGetCount(list), 4);
  EXPECT_TRUE(CFEqual(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(list, 1)), CFSTR("two")));
  EXPECT_EQ(CFGetTypeID(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(list, 3))),
            kCFTypeIDDictionary);
  auto nested = static_cast<CFDictionaryRef>(Get(d, "nested"));
  EXPECT_EQ(CFDataGetLength(static_cast<CFDataRef>(Get(nested, "Hot Key"))), 8);
}

}  // namespace

TEST(PropertyListInterop, ReadsWhatPlistlibWritesInXMLAndBinary) {
  TempDir dir;
  ASSERT_TRUE(RunPython(std::string(kPythonValues) + "open('" + (dir / "x.plist") +
                        "', 'wb').write(plistlib.dumps(xml))\n"
                        "open('" +
                        (dir / "b.plist") +
                        "', 'wb').write(plistlib.dumps(binary, fmt=plistlib.FMT_BINARY))\n"));

  CFRef<CFPropertyListRef> fromXML, fromBinary;
  ASSERT_EQ(ReadPropertyListFile(dir / "x.plist", 0, &fromXML), noErr);
  ASSERT_EQ(ReadPropertyListFile(dir / "b.plist", 0, &fromBinary), noErr);
  ASSERT_EQ(ReadFile(dir / "b.plist").substr(0, 8), "bplist00");
  auto x = CFRefAs<CFDictionaryRef>(std::move(fromXML));
  auto b = CFRefAs<CFDictionaryRef>(std::move(fromBinary));
  ASSERT_TRUE(x && b);
  ExpectPythonValues(x);
  ExpectPythonValues(b);
  EXPECT_EQ(CFDictionaryGetCount(x), 14);

  // Binary only: what has no kind here is left out, the rest stays.
  EXPECT_EQ(Get(b, "uid"), nullptr);
  EXPECT_EQ(Get(b, "unsigned"), nullptr);
  auto uids = static_cast<CFArrayRef>(Get(b, "uids"));
  ASSERT_EQ(CFArrayGetCount(uids), 1);
  EXPECT_TRUE(CFEqual(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(uids, 0)), Int(5)));
  // Binary dates keep their fraction, also before 2001.
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(Get(b, "fraction"))), 1.25);
  EXPECT_EQ(CFDateGetAbsoluteTime(static_cast<CFDateRef>(Get(b, "earlier"))), -1.5);
}

TEST(PropertyListInterop, PlistlibReadsWhatWeWrite) {
  TempDir dir;
  ASSERT_EQ(WritePropertyListFile(dir / "ours.plist", EveryKind()), noErr);
  auto printed = RunPython(
      "v = plistlib.load(open('" + (dir / "ours.plist") +
      "', 'rb'))\n"
      "base = datetime.datetime(2001, 1, 1)\n"
      "def show(x):\n"
      "    if isinstance(x, datetime.datetime): return 'date %d' % (x - base).total_seconds()\n"
      "    if isinstance(x, dict): return '{' + ', '.join(k + ': ' + show(x[k]) for k in "
      "sorted(x)) + '}'\n"
      "    if isinstance(x, list): return '[' + ', '.join(show(e) for e in x) + ']'\n"
      "    return type(x).__name__ + ' ' + repr(x)\n"
      "for k in sorted(v): print(k, '=', show(v[k]))\n");
  ASSERT_TRUE(printed);
  EXPECT_EQ(*printed,
            "array = [int 1, {}, [], str 'x']\n"
            "data = bytes b'\\x00\\x01\\xff\\x80'\n"
            "date = date 700000000\n"
            "date before 2001 = date -86401\n"
            "date in 1900 = date -3187296000\n"
            "date in 2100 = date 3144398400\n"
            "dict = {key with spaces & <marks>: float -2.5}\n"
            "empty string = str ''\n"
            "false = bool False\n"
            "int max = int 9223372036854775807\n"
            "int min = int -9223372036854775808\n"
            "negative = int -5\n"
            "real = float 0.1\n"
            "string = str 'a <b> & \"c\" \\'d\\' caf\xC3\xA9 \xF0\x9D\x84\x9E\\ttab\\nline'\n"
            "tiny real = float -1.5e-300\n"
            "true = bool True\n"
            "whole real = float 2.0\n"
            "zero = int 0\n");
}

// ------------------------------------------------------------------ files

TEST(PropertyListFile, ReadStatusCodes) {
  TempDir dir;
  CFRef<CFPropertyListRef> result = CFRef<CFPropertyListRef>(NewDict().Detach());
  EXPECT_EQ(ReadPropertyListFile(dir / "missing.plist", 0, &result), fnfErr);
  EXPECT_FALSE(result);
  EXPECT_EQ(ReadPropertyListFile(dir / "missing/deeper.plist", 0, &result), fnfErr);
  EXPECT_EQ(ReadPropertyListFile(dir.path(), 0, &result), ioErr);
  WriteFile(dir / "bad.plist", "<plist><dict><key>a</key>");
  EXPECT_EQ(ReadPropertyListFile(dir / "bad.plist", 0, &result), kCFPropertyListReadCorruptError);
  WriteFile(dir / "empty.plist", "");
  EXPECT_EQ(ReadPropertyListFile(dir / "empty.plist", 0, &result), kCFPropertyListReadCorruptError);
  EXPECT_FALSE(result);
  WriteFile(dir / "locked.plist", "<plist version=\"1.0\"><true/></plist>");
  ::chmod((dir / "locked.plist").c_str(), 0);
  if (::geteuid() != 0) {  // permissions do not stop root
    EXPECT_EQ(ReadPropertyListFile(dir / "locked.plist", 0, &result), permErr);
  }
  EXPECT_EQ(ReadPropertyListFile(dir / "missing.plist", 0, nullptr), paramErr);
}

TEST(PropertyListFile, WritesAtomicallyWithTheGivenMode) {
  TempDir dir;
  std::string path = dir / "settings.plist";
  ASSERT_EQ(WritePropertyListFile(path, EveryKind(), 0600), noErr);
  EXPECT_EQ(ModeOf(path), 0600);
  CFRef<CFPropertyListRef> back;
  ASSERT_EQ(ReadPropertyListFile(path, 0, &back), noErr);
  EXPECT_TRUE(CFEqual(back, EveryKind()));

  ASSERT_EQ(WritePropertyListFile(path, CFSTR("replaced")), noErr);
  EXPECT_EQ(ModeOf(path), 0644);
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"settings.plist"});

  // Failures leave what was there, and no temporary files.
  std::string before = ReadFile(path);
  auto url = CFURLCreateWithFileSystemPath(nullptr, CFSTR("/tmp"), kCFURLPOSIXPathStyle, true);
  EXPECT_EQ(WritePropertyListFile(path, url), paramErr);
  EXPECT_EQ(WritePropertyListFile(dir / "no such folder/x.plist", CFSTR("x")), dirNFErr);
  WriteFile(dir / "file", "");
  EXPECT_EQ(WritePropertyListFile(dir / "file/x.plist", CFSTR("x")), dirNFErr);
  EXPECT_EQ(ReadFile(path), before);
  EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"file", "settings.plist"}));
  if (::geteuid() != 0) {
    ::chmod(dir.path().c_str(), 0500);
    EXPECT_EQ(WritePropertyListFile(path, CFSTR("x")), permErr);
    ::chmod(dir.path().c_str(), 0700);
    EXPECT_EQ(ReadFile(path), before);
  }
}

// ------------------------------------------------------- hostile input

namespace {

std::string BigEndian(std::uint64_t v, int size) {
  std::string out;
  for (int i = size - 1; i >= 0; --i) out += static_cast<char>(v >> (8 * i) & 0xFF);
  return out;
}
std::string Ref(std::uint64_t index) { return BigEndian(index, 4); }

// A binary property list of the given objects (4-byte offsets and
// references), the first object at the top.
std::string BinaryPlist(const std::vector<std::string>& objects) {
  std::string out = "bplist00";
  std::vector<std::uint64_t> offsets;
  for (auto& o : objects) {
    offsets.push_back(out.size());
    out += o;
  }
  std::uint64_t table = out.size();
  for (auto o : offsets) out += BigEndian(o, 4);
  out += std::string(6, '\0') + '\x04' + '\x04' + BigEndian(objects.size(), 8) + BigEndian(0, 8) +
         BigEndian(table, 8);
  return out;
}

// n arrays, each holding the next; the innermost is empty.
std::string NestedArrays(int n) {
  std::vector<std::string> objects;
  for (int i = 0; i < n - 1; ++i) objects.push_back("\xA1" + Ref(i + 1));
  objects.push_back("\xA0");
  return BinaryPlist(objects);
}

double Seconds(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

TEST(PropertyListHostile, DeepBinaryNestingIsRefusedQuicklyWithoutRecursion) {
  EXPECT_TRUE(Parse(NestedArrays(512)));
  CFStringRef error = nullptr;
  EXPECT_FALSE(Parse(NestedArrays(513), 0, &error));
  EXPECT_TRUE(CFEqual(error, CFSTR("property list is nested too deeply")));
  // 100,000 levels overflowed libplist's recursive reader after a long stall.
  std::string deep = NestedArrays(100000);
  EXPECT_LT(Seconds([&] { EXPECT_FALSE(Parse(deep)); }), 1.0);

  // Shared objects that libplist would copy out into 2^41 values, and a
  // container that holds itself.
  std::vector<std::string> bomb;
  for (int i = 0; i < 40; ++i) bomb.push_back("\xA2" + Ref(i + 1) + Ref(i + 1));
  bomb.push_back("\x09");
  EXPECT_LT(Seconds([&] { EXPECT_FALSE(Parse(BinaryPlist(bomb))); }), 1.0);
  EXPECT_FALSE(Parse(BinaryPlist({"\xA1" + Ref(0)})));
  // Damaged tables: a reference past the objects, a trailer that lies.
  EXPECT_FALSE(Parse(BinaryPlist({"\xA1" + Ref(7)})));
  std::string lying = BinaryPlist({"\x09"});
  lying[lying.size() - 9] = 0x7F;  // the offset table "starts" past the end
  EXPECT_FALSE(Parse(lying));
  EXPECT_TRUE(Parse(BinaryPlist({"\x09"})));
}

TEST(PropertyListHostile, DeepXMLNestingIsRefused) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<dict><key>a</key>";
  deep += "<true/>";
  for (int i = 0; i < 100000; ++i) deep += "</dict>";
  EXPECT_LT(Seconds([&] { EXPECT_FALSE(Parse("<plist version=\"1.0\">" + deep + "</plist>")); }),
            2.0);
  std::string ok;
  for (int i = 0; i < 512; ++i) ok += "<array>";
  for (int i = 0; i < 512; ++i) ok += "</array>";
  EXPECT_TRUE(Parse("<plist version=\"1.0\">" + ok + "</plist>"));
}

namespace {

// n arrays made in memory, each holding the next; the innermost is empty or
// holds a string, which is no level of its own.
CFRef<CFMutableArrayRef> NestedArrayValue(int n, bool innermostEmpty) {
  CFRef<CFMutableArrayRef> inner = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
  if (!innermostEmpty) CFArrayAppendValue(inner, CFSTR("deepest"));
  for (int i = 1; i < n; ++i) {
    CFRef<CFMutableArrayRef> outer = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    CFArrayAppendValue(outer, inner.get());
    inner = std::move(outer);
  }
  return inner;
}

}  // namespace

TEST(PropertyListHostile, WhatIsWrittenAtTheNestingLimitIsReadBack) {
  for (bool innermostEmpty : {false, true}) {
    SCOPED_TRACE(innermostEmpty ? "innermost array empty" : "innermost array holds a string");
    // 512 levels: valid in both formats, written, and read back whole.
    auto deepest = NestedArrayValue(512, innermostEmpty);
    EXPECT_TRUE(CFPropertyListIsValid(deepest, kCFPropertyListXMLFormat_v1_0));
    EXPECT_TRUE(CFPropertyListIsValid(deepest, kCFPropertyListBinaryFormat_v1_0));
    const std::string xml = XML(deepest);
    ASSERT_FALSE(xml.empty());
    CFStringRef error = nullptr;
    auto back = Parse(xml, 0, &error);
    ASSERT_TRUE(back) << (error ? CFStringToUTF8(error) : "");
    EXPECT_TRUE(CFEqual(back, deepest));
    EXPECT_TRUE(CFPropertyListCreateDeepCopy(nullptr, deepest, 0));

    // One level more is nothing a reader takes, so nothing is written: the
    // file would be unreadable from then on.
    auto tooDeep = NestedArrayValue(513, innermostEmpty);
    EXPECT_FALSE(CFPropertyListIsValid(tooDeep, kCFPropertyListXMLFormat_v1_0));
    EXPECT_FALSE(CFPropertyListIsValid(tooDeep, kCFPropertyListBinaryFormat_v1_0));
    EXPECT_FALSE(CFPropertyListCreateXMLData(nullptr, tooDeep));
    EXPECT_FALSE(CFPropertyListCreateDeepCopy(nullptr, tooDeep, 0));
  }
}

TEST(PropertyListHostile, NULInBinaryKeysAndTextsIsLeftOutNotFatal) {
  // libplist 2.2 aborted on the UTF-16 key and read the ASCII one as "a".
  TempDir dir;
  ASSERT_TRUE(RunPython(
      "v = {'Global Menus': [{'a\\0b': 1, 'Position': 1}, {'\\u00e9\\0': 2}, {'Position': 2}],"
      " 'ok': 'a\\0b'}\n"
      "open('" +
      (dir / "keys.plist") +
      "', 'wb').write(plistlib.dumps(v, fmt=plistlib.FMT_BINARY))\n"
      "open('" +
      (dir / "top.plist") +
      "', 'wb').write(plistlib.dumps({'\\u00e9\\0': 1}, "
      "fmt=plistlib.FMT_BINARY))\n"));
  CFRef<CFPropertyListRef> read;
  ASSERT_EQ(ReadPropertyListFile(dir / "keys.plist", 0, &read), noErr);
  auto d = CFRefAs<CFDictionaryRef>(std::move(read));
  ASSERT_TRUE(d);
  auto menus = static_cast<CFArrayRef>(Get(d, "Global Menus"));
  ASSERT_EQ(CFArrayGetCount(menus), 1);
  EXPECT_TRUE(CFEqual(
      Get(static_cast<CFDictionaryRef>(CFArrayGetValueAtIndex(menus, 0)), "Position"), Int(2)));
  // libplist would cut the text short at the NUL: it is left out, not misread.
  EXPECT_EQ(Get(d, "ok"), nullptr);
  EXPECT_EQ(ReadPropertyListFile(dir / "top.plist", 0, &read), kCFPropertyListReadCorruptError);

  PropertyListDocument document;
  std::string reason;
  ASSERT_EQ(document.Read(dir / "keys.plist", &reason), noErr);
  EXPECT_EQ(document.skippedDictionaries(), 2u);
  EXPECT_EQ(document.skippedStrings(), 1u);
  EXPECT_FALSE(document.CanBeWrittenBack());
  EXPECT_EQ(document.Read(dir / "top.plist", &reason), kCFPropertyListReadCorruptError);
  EXPECT_EQ(reason, "a key of its top-level dictionary holds a NUL character");
}

TEST(PropertyListHostile, MalformedXMLValueTextsMakeTheFileUnreadable) {
  // What libplist took leniently ("0,6" as 0, "12px" as 12, "010" as octal 8).
  const char* bad[] = {
      "<integer>12px</integer>",
      "<integer>010</integer>",
      "<integer></integer>",
      "<integer/>",
      "<integer>-0x1</integer>",
      "<integer>1_0</integer>",
      "<integer>&#49;2</integer>",
      "<integer>18446744073709551616</integer>",
      "<integer>-9223372036854775809</integer>",
      "<integer>0x10000000000000000</integer>",
      "<integer>1<!-- x --></integer>",
      "<real>0,6</real>",
      "<real></real>",
      "<real>0x1p3</real>",
      "<real>1e</real>",
      "<real>.</real>",
      "<real>nan(1)</real>",
      "<date>2024-02-30T12:30:15Z</date>",
      "<date>2024-02-29T12:30:15</date>",
      "<date>2024Z</date>",
      "<date> 2024-02-29T12:30:15Z</date>",
      "<date>2024-02-29T24:00:00Z</date>",
      "<date>0000-01-01T00:00:00Z</date>",
      "<date>2024-02-29T12:30:15Zjunk</date>",
      "<data>#ff0000</data>",
      "<data>AA</data>",
      "<data>A===</data>",
      "<data>AA==AA==</data>",
  };
  for (const char* element : bad) {
    std::string xml =
        std::string("<plist version=\"1.0\"><dict><key>k</key>") + element + "</dict></plist>";
    EXPECT_FALSE(Parse(xml)) << element;
  }
  EXPECT_FALSE(Parse(std::string("<plist version=\"1.0\"><string>a\0b</string></plist>", 46)));
}

TEST(PropertyListHostile, WellFormedXMLValueTextsReadAsPlistlibReadsThem) {
  // Each case: the element, and the value as Python prints it.
  const std::pair<const char*, const char*> good[] = {
      {"<integer> 12\n</integer>", "12"},
      {"<integer>+5</integer>", "5"},
      {"<integer>-0</integer>", "0"},
      {"<integer>0x1F</integer>", "31"},
      {"<integer>0X00ff</integer>", "255"},
      {"<integer>-9223372036854775808</integer>", "-9223372036854775808"},
      {"<real>0.6</real>", "0.6"},
      {"<real> -1.5E-3 </real>", "-0.0015"},
      {"<real>.5</real>", "0.5"},
      {"<real>5.</real>", "5.0"},
      {"<real>1e5</real>", "100000.0"},
      {"<real>-inf</real>", "-inf"},
      {"<real>Infinity</real>", "inf"},
      {"<real>NaN</real>", "nan"},
      {"<date>2024-02-29T12:30:15Z</date>", "2024-02-29 12:30:15"},
      {"<date>0001-01-01T00:00:00Z\n</date>", "0001-01-01 00:00:00"},
      {"<data>AAEC\n\t/w==</data>", "b'\\x00\\x01\\x02\\xff'"},
      {"<data/>", "b''"},
  };
  TempDir dir;
  std::string program = "import math\n";
  std::string expected;
  for (auto& [element, python] : good) {
    std::string xml = std::string("<plist version=\"1.0\">") + element + "</plist>";
    auto value = Parse(xml);
    ASSERT_TRUE(value) << element;
    // Our value, written back, must be plistlib's value of the original.
    auto back = CFPropertyListCreateXMLData(nullptr, value);
    ASSERT_TRUE(back);
    std::string ours(reinterpret_cast<const char*>(CFDataGetBytePtr(back)),
                     static_cast<std::size_t>(CFDataGetLength(back)));
    std::string name = std::to_string(expected.size());
    WriteFile(dir / (name + ".theirs"), xml);
    WriteFile(dir / (name + ".ours"), ours);
    program += "a = plistlib.load(open('" + (dir / (name + ".theirs")) +
               "', 'rb'))\n"
               "b = plistlib.load(open('" +
               (dir / (name + ".ours")) +
               "', 'rb'))\n"
               "same = a == b or (isinstance(a, float) and math.isnan(a) and math.isnan(b))\n"
               "print(a if not isinstance(a, bytes) else repr(a), same)\n";
    expected += std::string(python) + " True\n";
  }
  EXPECT_EQ(RunPython(program).value_or("python failed"), expected);
}
