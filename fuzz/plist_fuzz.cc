// Property lists, XML and binary: whatever parses is written back as XML
// (when it can be), read again, and must come back as the same value, and a
// deep copy must equal its original.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/propertylists/PropertyList.h"

namespace {

// Whether b holds the same value as a, a NaN counting as equal to a NaN.
// With wholeSeconds, b is what the XML format makes of a: it carries dates
// as whole seconds (the earlier second).
bool Same(CFTypeRef a, CFTypeRef b, bool wholeSeconds) {
  if (!a || !b || CFGetTypeID(a) != CFGetTypeID(b)) return false;
  const CFTypeID type = CFGetTypeID(a);
  if (type == CFDateGetTypeID()) {
    const CFAbsoluteTime t = CFDateGetAbsoluteTime(static_cast<CFDateRef>(a));
    return (wholeSeconds ? std::floor(t) : t) == CFDateGetAbsoluteTime(static_cast<CFDateRef>(b));
  }
  if (type == CFNumberGetTypeID()) {
    auto x = static_cast<CFNumberRef>(a), y = static_cast<CFNumberRef>(b);
    if (CFNumberIsFloatType(x) != CFNumberIsFloatType(y)) return false;
    if (!CFNumberIsFloatType(x)) return CFEqual(x, y);
    double dx = 0, dy = 0;
    (void)CFNumberGetValue(x, kCFNumberFloat64Type, &dx);
    (void)CFNumberGetValue(y, kCFNumberFloat64Type, &dy);
    return dx == dy || (std::isnan(dx) && std::isnan(dy));
  }
  if (type == CFArrayGetTypeID()) {
    auto x = static_cast<CFArrayRef>(a), y = static_cast<CFArrayRef>(b);
    const CFIndex count = CFArrayGetCount(x);
    if (count != CFArrayGetCount(y)) return false;
    for (CFIndex i = 0; i < count; ++i)
      if (!Same(static_cast<CFTypeRef>(CFArrayGetValueAtIndex(x, i)),
                static_cast<CFTypeRef>(CFArrayGetValueAtIndex(y, i)), wholeSeconds))
        return false;
    return true;
  }
  if (type == CFDictionaryGetTypeID()) {
    auto x = static_cast<CFDictionaryRef>(a), y = static_cast<CFDictionaryRef>(b);
    const CFIndex count = CFDictionaryGetCount(x);
    if (count != CFDictionaryGetCount(y)) return false;
    std::vector<const void*> keys(static_cast<std::size_t>(count)),
        values(static_cast<std::size_t>(count));
    CFDictionaryGetKeysAndValues(x, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) {
      const void* other = CFDictionaryGetValue(y, keys[static_cast<std::size_t>(i)]);
      if (!Same(static_cast<CFTypeRef>(values[static_cast<std::size_t>(i)]),
                static_cast<CFTypeRef>(other), wholeSeconds))
        return false;
    }
    return true;
  }
  return CFEqual(a, b);  // strings, data, booleans
}

CFRef<CFPropertyListRef> Parse(CFDataRef data, CFOptionFlags options) {
  CFStringRef why = nullptr;
  CFRef<CFPropertyListRef> value = CFPropertyListCreateFromXMLData(nullptr, data, options, &why);
  if (!value && !why) fuzz::Fail("a failed parse gave no reason");
  if (value && why) fuzz::Fail("a successful parse gave a reason");
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  CFRef<CFDataRef> data = CFDataCreate(nullptr, bytes, static_cast<CFIndex>(size));
  CFRef<CFPropertyListRef> value = Parse(data, kCFPropertyListImmutable);
  if (!value) return 0;
  (void)CFDescribe(value);

  // Mutability changes nothing about the contents.
  CFRef<CFPropertyListRef> mutableValue = Parse(data, kCFPropertyListMutableContainersAndLeaves);
  if (!mutableValue || !Same(value, mutableValue, false))
    fuzz::Fail("a mutable parse differs: " + CFDescribe(value) + " / " + CFDescribe(mutableValue));
  if (CFPropertyListIsValid(value, kCFPropertyListBinaryFormat_v1_0)) {
    CFRef<CFPropertyListRef> copy =
        CFPropertyListCreateDeepCopy(nullptr, value, kCFPropertyListMutableContainers);
    if (!copy || !Same(value, copy, false)) fuzz::Fail("a deep copy differs: " + CFDescribe(value));
  }

  // Written as XML and read again, the value comes back.
  if (!CFPropertyListIsValid(value, kCFPropertyListXMLFormat_v1_0)) return 0;
  CFRef<CFDataRef> xml = CFPropertyListCreateXMLData(nullptr, value);
  if (!xml) fuzz::Fail("a valid value was not written: " + CFDescribe(value));
  CFRef<CFPropertyListRef> again = Parse(xml, kCFPropertyListImmutable);
  if (!again || !Same(value, again, true)) {
    const std::string text(reinterpret_cast<const char*>(CFDataGetBytePtr(xml)),
                           static_cast<std::size_t>(CFDataGetLength(xml)));
    fuzz::Fail("the XML round trip changed the value: " + CFDescribe(value) + "\nwritten:\n" +
               text + "\nread back: " + (again ? CFDescribe(again) : std::string("nothing")));
  }
  return 0;
}
