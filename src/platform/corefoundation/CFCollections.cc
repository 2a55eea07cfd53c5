// Arrays and dictionaries.
#include <algorithm>
#include <cassert>

#include "platform/corefoundation/CoreFoundation.h"

namespace {

const void* RetainValue(CFAllocatorRef, const void* v) {
  if (v) CFRetain(static_cast<CFTypeRef>(v));
  return v;
}
void ReleaseValue(CFAllocatorRef, const void* v) {
  if (v) CFRelease(static_cast<CFTypeRef>(v));
}

[[maybe_unused]] bool InRange(CFIndex count, CFRange r) {
  return r.location >= 0 && r.length >= 0 && r.location + r.length <= count;
}

}  // namespace

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainValue, ReleaseValue, nullptr, nullptr};
const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {};
const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks = {};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {};

// ----------------------------------------------------------------- arrays

__CFArray::~__CFArray() {
  if (retains)
    for (const void* v : values) ReleaseValue(nullptr, v);
}

bool __CFArray::Equals(const __CFObject& other) const {
  auto& o = static_cast<const __CFArray&>(other);
  if (values.size() != o.values.size()) return false;
  for (std::size_t i = 0; i < values.size(); ++i)
    if (!CFEqual(static_cast<CFTypeRef>(values[i]), static_cast<CFTypeRef>(o.values[i])))
      return false;
  return true;
}

std::string __CFArray::Describe() const {
  std::string s = "(";
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i) s += ", ";
    s += CFDescribe(static_cast<CFTypeRef>(values[i]));
  }
  return s + ")";
}

CFTypeID CFArrayGetTypeID() { return kCFTypeIDArray; }

CFRef<CFArrayRef> CFArrayCreate(CFAllocatorRef, const void** values, CFIndex count,
                                const CFArrayCallBacks* callBacks) {
  auto* a = new __CFArray;
  a->retains = callBacks && callBacks->retain;
  for (CFIndex i = 0; i < count; ++i) {
    a->values.push_back(values[i]);
    if (a->retains) RetainValue(nullptr, values[i]);
  }
  return CFRef<CFArrayRef>(a);
}

CFRef<CFMutableArrayRef> CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity,
                                              const CFArrayCallBacks* callBacks) {
  auto* a = new __CFArray;
  a->retains = callBacks && callBacks->retain;
  a->mutableArray = true;
  if (capacity > 0) a->values.reserve(static_cast<std::size_t>(capacity));
  return CFRef<CFMutableArrayRef>(a);
}

CFRef<CFArrayRef> CFArrayCreateCopy(CFAllocatorRef, CFArrayRef array) {
  if (!array) return nullptr;
  auto* a = new __CFArray;
  a->retains = array->retains;
  a->values = array->values;
  if (a->retains)
    for (const void* v : a->values) RetainValue(nullptr, v);
  return CFRef<CFArrayRef>(a);
}

CFRef<CFMutableArrayRef> CFArrayCreateMutableCopy(CFAllocatorRef, CFIndex, CFArrayRef array) {
  if (!array) return nullptr;
  auto* a = new __CFArray;
  a->retains = array->retains;
  a->mutableArray = true;
  a->values = array->values;
  if (a->retains)
    for (const void* v : a->values) RetainValue(nullptr, v);
  return CFRef<CFMutableArrayRef>(a);
}

CFIndex CFArrayGetCount(CFArrayRef array) {
  return array ? static_cast<CFIndex>(array->values.size()) : 0;
}

const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex idx) {
  assert(array && idx >= 0 && static_cast<std::size_t>(idx) < array->values.size());
  return array->values[static_cast<std::size_t>(idx)];
}

void CFArrayAppendValue(CFMutableArrayRef array, const void* value) {
  assert(array && array->mutableArray);
  if (array->retains) RetainValue(nullptr, value);
  array->values.push_back(value);
}

void CFArrayInsertValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value) {
  assert(array && array->mutableArray && idx >= 0 &&
         static_cast<std::size_t>(idx) <= array->values.size());
  if (array->retains) RetainValue(nullptr, value);
  array->values.insert(array->values.begin() + idx, value);
}

void CFArraySetValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value) {
  assert(array && array->mutableArray && idx >= 0 &&
         static_cast<std::size_t>(idx) <= array->values.size());
  if (static_cast<std::size_t>(idx) == array->values.size()) {
    CFArrayAppendValue(array, value);
    return;
  }
  if (array->retains) RetainValue(nullptr, value);
  const void* old = array->values[static_cast<std::size_t>(idx)];
  array->values[static_cast<std::size_t>(idx)] = value;
  if (array->retains) ReleaseValue(nullptr, old);
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef array, CFIndex idx) {
  assert(array && array->mutableArray && idx >= 0 &&
         static_cast<std::size_t>(idx) < array->values.size());
  const void* old = array->values[static_cast<std::size_t>(idx)];
  array->values.erase(array->values.begin() + idx);
  if (array->retains) ReleaseValue(nullptr, old);
}

void CFArrayRemoveAllValues(CFMutableArrayRef array) {
  assert(array && array->mutableArray);
  auto old = std::move(array->values);
  array->values.clear();
  if (array->retains)
    for (const void* v : old) ReleaseValue(nullptr, v);
}

CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef array, CFRange range, const void* value) {
  assert(array && InRange(CFArrayGetCount(array), range));
  for (CFIndex i = range.location; i < range.location + range.length; ++i) {
    const void* v = array->values[static_cast<std::size_t>(i)];
    if (v == value ||
        (array->retains && CFEqual(static_cast<CFTypeRef>(v), static_cast<CFTypeRef>(value))))
      return i;
  }
  return -1;
}

Boolean CFArrayContainsValue(CFArrayRef array, CFRange range, const void* value) {
  return CFArrayGetFirstIndexOfValue(array, range, value) >= 0;
}

void CFArrayApplyFunction(CFArrayRef array, CFRange range, CFArrayApplierFunction applier,
                          void* context) {
  assert(array && InRange(CFArrayGetCount(array), range));
  for (CFIndex i = range.location; i < range.location + range.length; ++i)
    applier(array->values[static_cast<std::size_t>(i)], context);
}

void CFArraySortValues(CFMutableArrayRef array, CFRange range, CFComparatorFunction comparator,
                       void* context) {
  assert(array && array->mutableArray && InRange(CFArrayGetCount(array), range));
  std::stable_sort(array->values.begin() + range.location,
                   array->values.begin() + range.location + range.length,
                   [&](const void* a, const void* b) {
                     return comparator(a, b, context) == kCFCompareLessThan;
                   });
}

CFIndex CFArrayBSearchValues(CFArrayRef array, CFRange range, const void* value,
                             CFComparatorFunction comparator, void* context) {
  assert(array && InRange(CFArrayGetCount(array), range));
  CFIndex lo = range.location, hi = range.location + range.length;
  while (lo < hi) {
    CFIndex mid = lo + (hi - lo) / 2;
    if (comparator(array->values[static_cast<std::size_t>(mid)], value, context) ==
        kCFCompareLessThan)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

// ----------------------------------------------------------- dictionaries

__CFDictionary::~__CFDictionary() {
  for (auto& [k, v] : entries) {
    CFRelease(k);
    CFRelease(v);
  }
}

std::ptrdiff_t __CFDictionary::Find(CFTypeRef key) const {
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (CFEqual(entries[i].first, key)) return static_cast<std::ptrdiff_t>(i);
  return -1;
}

bool __CFDictionary::Equals(const __CFObject& other) const {
  auto& o = static_cast<const __CFDictionary&>(other);
  if (entries.size() != o.entries.size()) return false;
  for (auto& [k, v] : entries) {
    auto i = o.Find(k);
    if (i < 0 || !CFEqual(v, o.entries[static_cast<std::size_t>(i)].second)) return false;
  }
  return true;
}

std::string __CFDictionary::Describe() const {
  std::string s = "{";
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (i) s += "; ";
    s += CFDescribe(entries[i].first) + " = " + CFDescribe(entries[i].second);
  }
  return s + "}";
}

CFTypeID CFDictionaryGetTypeID() { return kCFTypeIDDictionary; }

CFRef<CFDictionaryRef> CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                          CFIndex count, const CFDictionaryKeyCallBacks*,
                                          const CFDictionaryValueCallBacks*) {
  auto* d = new __CFDictionary;
  d->mutableDictionary = true;
  for (CFIndex i = 0; i < count; ++i) CFDictionarySetValue(d, keys[i], values[i]);
  d->mutableDictionary = false;
  return CFRef<CFDictionaryRef>(d);
}

CFRef<CFMutableDictionaryRef> CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                        const CFDictionaryKeyCallBacks*,
                                                        const CFDictionaryValueCallBacks*) {
  auto* d = new __CFDictionary;
  d->mutableDictionary = true;
  if (capacity > 0) d->entries.reserve(static_cast<std::size_t>(capacity));
  return CFRef<CFMutableDictionaryRef>(d);
}

namespace {
__CFDictionary* CopyDictionary(CFDictionaryRef dict, bool isMutable) {
  auto* d = new __CFDictionary;
  d->mutableDictionary = isMutable;
  d->entries = dict->entries;
  for (auto& [k, v] : d->entries) {
    CFRetain(k);
    CFRetain(v);
  }
  return d;
}
}  // namespace

CFRef<CFDictionaryRef> CFDictionaryCreateCopy(CFAllocatorRef, CFDictionaryRef dict) {
  if (!dict) return nullptr;
  return CFRef<CFDictionaryRef>(CopyDictionary(dict, false));
}

CFRef<CFMutableDictionaryRef> CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex,
                                                            CFDictionaryRef dict) {
  if (!dict) return nullptr;
  return CFRef<CFMutableDictionaryRef>(CopyDictionary(dict, true));
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dict) {
  return dict ? static_cast<CFIndex>(dict->entries.size()) : 0;
}

const void* CFDictionaryGetValue(CFDictionaryRef dict, const void* key) {
  if (!dict || !key) return nullptr;
  auto i = dict->Find(static_cast<CFTypeRef>(key));
  return i < 0 ? nullptr : dict->entries[static_cast<std::size_t>(i)].second;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef dict, const void* key, const void** value) {
  const void* v = CFDictionaryGetValue(dict, key);
  if (v && value) *value = v;
  return v != nullptr;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef dict, const void* key) {
  return CFDictionaryGetValue(dict, key) != nullptr;
}

void CFDictionaryAddValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  assert(dict && dict->mutableDictionary && key && value);
  if (dict->Find(static_cast<CFTypeRef>(key)) >= 0) return;
  dict->entries.emplace_back(CFRetain(static_cast<CFTypeRef>(key)),
                             CFRetain(static_cast<CFTypeRef>(value)));
}

void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  assert(dict && dict->mutableDictionary && key && value);
  auto i = dict->Find(static_cast<CFTypeRef>(key));
  if (i < 0) {
    CFDictionaryAddValue(dict, key, value);
    return;
  }
  auto& slot = dict->entries[static_cast<std::size_t>(i)].second;
  CFTypeRef old = slot;
  slot = CFRetain(static_cast<CFTypeRef>(value));
  CFRelease(old);
}

void CFDictionaryReplaceValue(CFMutableDictionaryRef dict, const void* key, const void* value) {
  assert(dict && dict->mutableDictionary);
  if (dict->Find(static_cast<CFTypeRef>(key)) >= 0) CFDictionarySetValue(dict, key, value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const void* key) {
  assert(dict && dict->mutableDictionary);
  auto i = dict->Find(static_cast<CFTypeRef>(key));
  if (i < 0) return;
  auto entry = dict->entries[static_cast<std::size_t>(i)];
  dict->entries.erase(dict->entries.begin() + i);
  CFRelease(entry.first);
  CFRelease(entry.second);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef dict) {
  assert(dict && dict->mutableDictionary);
  auto old = std::move(dict->entries);
  dict->entries.clear();
  for (auto& [k, v] : old) {
    CFRelease(k);
    CFRelease(v);
  }
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef dict, const void** keys, const void** values) {
  if (!dict) return;
  for (std::size_t i = 0; i < dict->entries.size(); ++i) {
    if (keys) keys[i] = dict->entries[i].first;
    if (values) values[i] = dict->entries[i].second;
  }
}

void CFDictionaryApplyFunction(CFDictionaryRef dict, CFDictionaryApplierFunction applier,
                               void* context) {
  if (!dict) return;
  auto snapshot = dict->entries;
  for (auto& [k, v] : snapshot) applier(k, v, context);
}

// ------------------------------------------------------------- helpers

namespace {
template <class T>
T Typed(CFDictionaryRef dict, CFStringRef key, CFTypeID id) {
  auto v = static_cast<CFTypeRef>(CFDictionaryGetValue(dict, key));
  return v && v->TypeID() == id ? static_cast<T>(v) : nullptr;
}
}  // namespace

template <>
CFStringRef CFDictionaryGetTyped<CFStringRef>(CFDictionaryRef d, CFStringRef k) {
  return Typed<CFStringRef>(d, k, kCFTypeIDString);
}
template <>
CFDataRef CFDictionaryGetTyped<CFDataRef>(CFDictionaryRef d, CFStringRef k) {
  return Typed<CFDataRef>(d, k, kCFTypeIDData);
}
template <>
CFNumberRef CFDictionaryGetTyped<CFNumberRef>(CFDictionaryRef d, CFStringRef k) {
  return Typed<CFNumberRef>(d, k, kCFTypeIDNumber);
}
template <>
CFBooleanRef CFDictionaryGetTyped<CFBooleanRef>(CFDictionaryRef d, CFStringRef k) {
  return Typed<CFBooleanRef>(d, k, kCFTypeIDBoolean);
}
template <>
CFArrayRef CFDictionaryGetTyped<CFArrayRef>(CFDictionaryRef d, CFStringRef k) {
  return Typed<CFArrayRef>(d, k, kCFTypeIDArray);
}
template <>
CFDictionaryRef CFDictionaryGetTyped<CFDictionaryRef>(CFDictionaryRef d, CFStringRef k) {
  return Typed<CFDictionaryRef>(d, k, kCFTypeIDDictionary);
}
