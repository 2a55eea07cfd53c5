// CoreFoundation-like values: strings, data, numbers, booleans, dates,
// arrays, dictionaries and file URLs, reference counted.
//
// Ownership follows CoreFoundation's rule and is visible in the types:
// functions named Create or Copy hand out an owning CFRef<T> that releases
// its object when it goes; Get functions hand out a plain borrowed pointer,
// valid as long as its container is. Objects are used on the main thread
// only; counts are not atomic.
#pragma once

#include <compare>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/core/MacTypes.h"

using CFIndex = long;
using CFTypeID = unsigned long;
using CFHashCode = unsigned long;
using CFOptionFlags = unsigned long;
using CFAbsoluteTime = double;  // seconds since 2001-01-01 00:00:00 UTC
using CFTimeInterval = double;
using CFStringEncoding = UInt32;

struct CFRange {
  CFIndex location = 0;
  CFIndex length = 0;
};
constexpr CFRange CFRangeMake(CFIndex loc, CFIndex len) { return CFRange{loc, len}; }

enum CFComparisonResult : CFIndex {
  kCFCompareLessThan = -1,
  kCFCompareEqualTo = 0,
  kCFCompareGreaterThan = 1
};

enum : CFTypeID {
  kCFTypeIDString = 7,
  kCFTypeIDData = 20,
  kCFTypeIDNumber = 22,
  kCFTypeIDBoolean = 21,
  kCFTypeIDDate = 42,
  kCFTypeIDArray = 19,
  kCFTypeIDDictionary = 18,
  kCFTypeIDURL = 29,
  kCFTypeIDOther = 1000
};

// The base of every CoreFoundation-like object.
class __CFObject {
 public:
  __CFObject() = default;
  __CFObject(const __CFObject&) = delete;
  __CFObject& operator=(const __CFObject&) = delete;
  virtual ~__CFObject() = default;
  virtual CFTypeID TypeID() const = 0;
  virtual bool Equals(const __CFObject& other) const { return this == &other; }
  virtual CFHashCode Hash() const { return reinterpret_cast<CFHashCode>(this); }
  // A short, deterministic description (no addresses) for transcripts.
  virtual std::string Describe() const = 0;

  mutable long retainCount = 1;
  bool immortal = false;  // constants (booleans, CFSTR) are never freed
};

using CFTypeRef = const __CFObject*;

class __CFString;
class __CFData;
class __CFNumber;
class __CFBoolean;
class __CFDate;
class __CFArray;
class __CFDictionary;
class __CFURL;

using CFStringRef = const __CFString*;
using CFMutableStringRef = __CFString*;
using CFDataRef = const __CFData*;
using CFMutableDataRef = __CFData*;
using CFNumberRef = const __CFNumber*;
using CFBooleanRef = const __CFBoolean*;
using CFDateRef = const __CFDate*;
using CFArrayRef = const __CFArray*;
using CFMutableArrayRef = __CFArray*;
using CFDictionaryRef = const __CFDictionary*;
using CFMutableDictionaryRef = __CFDictionary*;
using CFURLRef = const __CFURL*;
using CFPropertyListRef = CFTypeRef;

// Allocators exist only so that calls read as they do on the Mac: every
// allocator is the default heap, except kCFAllocatorNull, which as a bytes
// deallocator means "do not free".
using CFAllocatorRef = const void*;
inline constexpr CFAllocatorRef kCFAllocatorDefault = nullptr;
extern const CFAllocatorRef kCFAllocatorNull;
extern const CFAllocatorRef kCFAllocatorMalloc;
extern const CFAllocatorRef kCFAllocatorSystemDefault;

CFTypeRef CFRetain(CFTypeRef cf);
void CFRelease(CFTypeRef cf);
CFIndex CFGetRetainCount(CFTypeRef cf);
CFTypeID CFGetTypeID(CFTypeRef cf);
Boolean CFEqual(CFTypeRef a, CFTypeRef b);
CFHashCode CFHash(CFTypeRef cf);
// Deterministic text of a value (nested for collections), for transcripts.
std::string CFDescribe(CFTypeRef cf);

// An owning reference. Converts implicitly to the plain pointer so that calls
// read as on the Mac; copying retains, destruction releases.
template <class T>
class CFRef {
 public:
  CFRef() = default;
  CFRef(std::nullptr_t) {}
  // Adopts a reference the caller already owns (a Create or Copy result).
  explicit CFRef(T p) : ptr_(p) {}
  // Takes a new reference to a borrowed object.
  static CFRef Retain(T p) {
    if (p) CFRetain(p);
    return CFRef(p);
  }
  CFRef(const CFRef& o) : ptr_(o.ptr_) {
    if (ptr_) CFRetain(ptr_);
  }
  CFRef(CFRef&& o) noexcept : ptr_(std::exchange(o.ptr_, nullptr)) {}
  template <class U>
  requires(std::is_convertible_v<U, T> && !std::is_same_v<U, T>) CFRef(CFRef<U>&& o)
  noexcept : ptr_(o.Detach()) {}
  template <class U>
  requires(std::is_convertible_v<U, T> && !std::is_same_v<U, T>) CFRef(const CFRef<U>& o)
      : ptr_(o.get()) {
    if (ptr_) CFRetain(ptr_);
  }
  CFRef& operator=(CFRef o) noexcept {
    std::swap(ptr_, o.ptr_);
    return *this;
  }
  ~CFRef() {
    if (ptr_) CFRelease(ptr_);
  }
  T get() const { return ptr_; }
  operator T() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // Gives up ownership without releasing; the caller now owns the object.
  [[nodiscard]] T Detach() { return std::exchange(ptr_, nullptr); }
  void reset(T p = nullptr) { *this = CFRef(p); }

 private:
  T ptr_ = nullptr;
};

// ---------------------------------------------------------------- strings

enum : CFStringEncoding {
  kCFStringEncodingMacRoman = 0,
  kCFStringEncodingASCII = 0x0600,
  kCFStringEncodingUTF8 = 0x08000100,
  kCFStringEncodingUnicode = 0x0100,
  kCFStringEncodingUTF16 = 0x0100,
  kCFStringEncodingUTF16BE = 0x10000100,
  kCFStringEncodingISOLatin1 = 0x0201
};

enum : CFOptionFlags {
  kCFCompareCaseInsensitive = 1,
  kCFCompareBackwards = 4,
  kCFCompareAnchored = 8,
  kCFCompareNonliteral = 16,
  kCFCompareNumerically = 64
};

class __CFString final : public __CFObject {
 public:
  explicit __CFString(std::u16string t, bool isMutable = false)
      : text(std::move(t)), mutableString(isMutable) {}
  CFTypeID TypeID() const override { return kCFTypeIDString; }
  bool Equals(const __CFObject& other) const override;
  CFHashCode Hash() const override;
  std::string Describe() const override;
  std::u16string text;
  bool mutableString;
};

CFTypeID CFStringGetTypeID();
// A constant string for a literal; never released (like CFSTR on the Mac).
CFStringRef CFSTR(const char* utf8);
CFRef<CFStringRef> CFStringCreateWithCString(CFAllocatorRef, const char* cStr,
                                             CFStringEncoding encoding);
CFRef<CFStringRef> CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                           CFStringEncoding encoding, Boolean isExternalRep);
CFRef<CFStringRef> CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars,
                                                CFIndex numChars);
CFRef<CFStringRef> CFStringCreateCopy(CFAllocatorRef, CFStringRef s);
CFRef<CFMutableStringRef> CFStringCreateMutable(CFAllocatorRef, CFIndex maxLength);
CFRef<CFMutableStringRef> CFStringCreateMutableCopy(CFAllocatorRef, CFIndex maxLength,
                                                    CFStringRef s);
CFIndex CFStringGetLength(CFStringRef s);
UniChar CFStringGetCharacterAtIndex(CFStringRef s, CFIndex idx);
void CFStringGetCharacters(CFStringRef s, CFRange range, UniChar* buffer);
// Converts into buffer (NUL-terminated). False when the text does not fit in
// bufferSize bytes including the NUL, or a character has no form in the
// encoding; the buffer is then not usable.
Boolean CFStringGetCString(CFStringRef s, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding);
// Always null here, as CoreFoundation allows: callers fall back to
// CFStringGetCString.
const char* CFStringGetCStringPtr(CFStringRef s, CFStringEncoding encoding);
CFComparisonResult CFStringCompare(CFStringRef a, CFStringRef b, CFOptionFlags options);
void CFStringAppend(CFMutableStringRef s, CFStringRef appended);
void CFStringAppendCString(CFMutableStringRef s, const char* cStr, CFStringEncoding encoding);
void CFStringAppendCharacters(CFMutableStringRef s, const UniChar* chars, CFIndex numChars);
void CFStringDelete(CFMutableStringRef s, CFRange range);
Boolean CFStringHasSuffix(CFStringRef s, CFStringRef suffix);
Boolean CFStringHasPrefix(CFStringRef s, CFStringRef prefix);

// Our own conveniences for the layer and the tools (not Mac interfaces).
std::string CFStringToUTF8(CFStringRef s);
CFRef<CFStringRef> CFStringFromUTF8(std::string_view utf8);
// Text conversion between UTF-8 and UTF-16; invalid UTF-8 bytes become
// U+FFFD so that no input is ever dropped silently.
std::u16string UTF8ToUTF16(std::string_view utf8);
std::string UTF16ToUTF8(std::u16string_view utf16);
// Mac Roman through iconv; nullopt-like failure reported by the bool.
bool UTF16ToMacRoman(std::u16string_view text, std::string& out);
bool MacRomanToUTF16(std::string_view bytes, std::u16string& out);

// ------------------------------------------------------------------- data

using CFDataDeallocator = void (*)(void* bytes);

class __CFData final : public __CFObject {
 public:
  CFTypeID TypeID() const override { return kCFTypeIDData; }
  bool Equals(const __CFObject& other) const override;
  CFHashCode Hash() const override;
  std::string Describe() const override;
  ~__CFData() override;
  const UInt8* Bytes() const { return external ? external : storage.data(); }
  CFIndex Length() const {
    return external ? externalLength : static_cast<CFIndex>(storage.size());
  }

  std::vector<UInt8> storage;
  // Bytes adopted without copying (CFDataCreateWithBytesNoCopy).
  const UInt8* external = nullptr;
  CFIndex externalLength = 0;
  CFAllocatorRef externalDeallocator = nullptr;
  bool mutableData = false;
};

CFTypeID CFDataGetTypeID();
CFRef<CFDataRef> CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length);
// Adopts bytes: they are freed with free() when the data object goes, unless
// bytesDeallocator is kCFAllocatorNull.
CFRef<CFDataRef> CFDataCreateWithBytesNoCopy(CFAllocatorRef, const UInt8* bytes, CFIndex length,
                                             CFAllocatorRef bytesDeallocator);
CFRef<CFMutableDataRef> CFDataCreateMutable(CFAllocatorRef, CFIndex capacity);
CFRef<CFMutableDataRef> CFDataCreateMutableCopy(CFAllocatorRef, CFIndex capacity, CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);
const UInt8* CFDataGetBytePtr(CFDataRef data);
UInt8* CFDataGetMutableBytePtr(CFMutableDataRef data);
void CFDataGetBytes(CFDataRef data, CFRange range, UInt8* buffer);
void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length);
void CFDataSetLength(CFMutableDataRef data, CFIndex length);

// ---------------------------------------------------------------- numbers

enum CFNumberType : CFIndex {
  kCFNumberSInt8Type = 1,
  kCFNumberSInt16Type = 2,
  kCFNumberSInt32Type = 3,
  kCFNumberSInt64Type = 4,
  kCFNumberFloat32Type = 5,
  kCFNumberFloat64Type = 6,
  kCFNumberCharType = 7,
  kCFNumberShortType = 8,
  kCFNumberIntType = 9,
  kCFNumberLongType = 10,
  kCFNumberLongLongType = 11,
  kCFNumberFloatType = 12,
  kCFNumberDoubleType = 13,
  kCFNumberCFIndexType = 14,
  kCFNumberNSIntegerType = 15,
  kCFNumberCGFloatType = 16
};

class __CFNumber final : public __CFObject {
 public:
  CFTypeID TypeID() const override { return kCFTypeIDNumber; }
  bool Equals(const __CFObject& other) const override;
  CFHashCode Hash() const override;
  std::string Describe() const override;
  bool isFloat = false;
  SInt64 intValue = 0;
  double floatValue = 0;
  CFNumberType type = kCFNumberSInt64Type;
};

CFTypeID CFNumberGetTypeID();
CFRef<CFNumberRef> CFNumberCreate(CFAllocatorRef, CFNumberType type, const void* valuePtr);
CFNumberType CFNumberGetType(CFNumberRef number);
Boolean CFNumberIsFloatType(CFNumberRef number);
// Converts to the requested type. As in CoreFoundation, a conversion that
// loses information (out of range, or a fraction dropped) still stores the
// truncated value and returns false.
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType type, void* valuePtr);

// --------------------------------------------------------------- booleans

class __CFBoolean final : public __CFObject {
 public:
  explicit __CFBoolean(bool v) : value(v) { immortal = true; }
  CFTypeID TypeID() const override { return kCFTypeIDBoolean; }
  std::string Describe() const override { return value ? "true" : "false"; }
  const bool value;
};

CFTypeID CFBooleanGetTypeID();
extern const CFBooleanRef kCFBooleanTrue;
extern const CFBooleanRef kCFBooleanFalse;
Boolean CFBooleanGetValue(CFBooleanRef b);

// ------------------------------------------------------------------ dates

class __CFDate final : public __CFObject {
 public:
  explicit __CFDate(CFAbsoluteTime t) : time(t) {}
  CFTypeID TypeID() const override { return kCFTypeIDDate; }
  bool Equals(const __CFObject& other) const override;
  std::string Describe() const override;
  CFAbsoluteTime time;
};

CFTypeID CFDateGetTypeID();
CFRef<CFDateRef> CFDateCreate(CFAllocatorRef, CFAbsoluteTime at);
CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date);

// ---------------------------------------------------------------- arrays

using CFArrayRetainCallBack = const void* (*)(CFAllocatorRef, const void*);
using CFArrayReleaseCallBack = void (*)(CFAllocatorRef, const void*);
struct CFArrayCallBacks {
  CFIndex version = 0;
  CFArrayRetainCallBack retain = nullptr;
  CFArrayReleaseCallBack release = nullptr;
  const void* copyDescription = nullptr;
  const void* equal = nullptr;
};
// Retains and releases its elements; a null callbacks pointer does neither.
extern const CFArrayCallBacks kCFTypeArrayCallBacks;

using CFArrayApplierFunction = void (*)(const void* value, void* context);
using CFComparatorFunction = CFComparisonResult (*)(const void* a, const void* b, void* context);

class __CFArray final : public __CFObject {
 public:
  CFTypeID TypeID() const override { return kCFTypeIDArray; }
  bool Equals(const __CFObject& other) const override;
  std::string Describe() const override;
  ~__CFArray() override;
  std::vector<const void*> values;
  bool retains = true;
  bool mutableArray = false;
};

CFTypeID CFArrayGetTypeID();
CFRef<CFArrayRef> CFArrayCreate(CFAllocatorRef, const void** values, CFIndex count,
                                const CFArrayCallBacks* callBacks);
CFRef<CFMutableArrayRef> CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity,
                                              const CFArrayCallBacks* callBacks);
CFRef<CFArrayRef> CFArrayCreateCopy(CFAllocatorRef, CFArrayRef array);
CFRef<CFMutableArrayRef> CFArrayCreateMutableCopy(CFAllocatorRef, CFIndex capacity,
                                                  CFArrayRef array);
CFIndex CFArrayGetCount(CFArrayRef array);
const void* CFArrayGetValueAtIndex(CFArrayRef array, CFIndex idx);
void CFArrayAppendValue(CFMutableArrayRef array, const void* value);
void CFArrayInsertValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value);
void CFArraySetValueAtIndex(CFMutableArrayRef array, CFIndex idx, const void* value);
void CFArrayRemoveValueAtIndex(CFMutableArrayRef array, CFIndex idx);
void CFArrayRemoveAllValues(CFMutableArrayRef array);
CFIndex CFArrayGetFirstIndexOfValue(CFArrayRef array, CFRange range, const void* value);
Boolean CFArrayContainsValue(CFArrayRef array, CFRange range, const void* value);
void CFArrayApplyFunction(CFArrayRef array, CFRange range, CFArrayApplierFunction applier,
                          void* context);
void CFArraySortValues(CFMutableArrayRef array, CFRange range, CFComparatorFunction comparator,
                       void* context);
// Index where value is or would be inserted, as CoreFoundation defines it.
CFIndex CFArrayBSearchValues(CFArrayRef array, CFRange range, const void* value,
                             CFComparatorFunction comparator, void* context);

// ------------------------------------------------------------ dictionaries

struct CFDictionaryKeyCallBacks {
  CFIndex version = 0;
  const void* retain = nullptr;
  const void* release = nullptr;
  const void* copyDescription = nullptr;
  const void* equal = nullptr;
  const void* hash = nullptr;
};
struct CFDictionaryValueCallBacks {
  CFIndex version = 0;
  const void* retain = nullptr;
  const void* release = nullptr;
  const void* copyDescription = nullptr;
  const void* equal = nullptr;
};
extern const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks;
extern const CFDictionaryKeyCallBacks kCFCopyStringDictionaryKeyCallBacks;
extern const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks;

using CFDictionaryApplierFunction = void (*)(const void* key, const void* value, void* context);

// Keys and values are CoreFoundation objects, compared with CFEqual. Entries
// keep their insertion order, which makes descriptions deterministic.
class __CFDictionary final : public __CFObject {
 public:
  CFTypeID TypeID() const override { return kCFTypeIDDictionary; }
  bool Equals(const __CFObject& other) const override;
  std::string Describe() const override;
  ~__CFDictionary() override;
  std::ptrdiff_t Find(CFTypeRef key) const;
  std::vector<std::pair<CFTypeRef, CFTypeRef>> entries;
  bool mutableDictionary = false;
};

CFTypeID CFDictionaryGetTypeID();
CFRef<CFDictionaryRef> CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                          CFIndex count, const CFDictionaryKeyCallBacks*,
                                          const CFDictionaryValueCallBacks*);
CFRef<CFMutableDictionaryRef> CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                        const CFDictionaryKeyCallBacks*,
                                                        const CFDictionaryValueCallBacks*);
CFRef<CFDictionaryRef> CFDictionaryCreateCopy(CFAllocatorRef, CFDictionaryRef dict);
CFRef<CFMutableDictionaryRef> CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex capacity,
                                                            CFDictionaryRef dict);
CFIndex CFDictionaryGetCount(CFDictionaryRef dict);
const void* CFDictionaryGetValue(CFDictionaryRef dict, const void* key);
Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef dict, const void* key, const void** value);
Boolean CFDictionaryContainsKey(CFDictionaryRef dict, const void* key);
void CFDictionaryAddValue(CFMutableDictionaryRef dict, const void* key, const void* value);
void CFDictionarySetValue(CFMutableDictionaryRef dict, const void* key, const void* value);
void CFDictionaryReplaceValue(CFMutableDictionaryRef dict, const void* key, const void* value);
void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const void* key);
void CFDictionaryRemoveAllValues(CFMutableDictionaryRef dict);
void CFDictionaryGetKeysAndValues(CFDictionaryRef dict, const void** keys, const void** values);
void CFDictionaryApplyFunction(CFDictionaryRef dict, CFDictionaryApplierFunction applier,
                               void* context);

// ------------------------------------------------------------------ URLs

enum CFURLPathStyle : CFIndex { kCFURLPOSIXPathStyle = 0, kCFURLHFSPathStyle = 1 };

// A file URL: an absolute POSIX path and whether it names a directory.
class __CFURL final : public __CFObject {
 public:
  CFTypeID TypeID() const override { return kCFTypeIDURL; }
  bool Equals(const __CFObject& other) const override;
  std::string Describe() const override { return "file://" + path; }
  std::string path;
  bool isDirectory = false;
};

CFTypeID CFURLGetTypeID();
CFRef<CFURLRef> CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                              CFURLPathStyle style, Boolean isDirectory);
CFRef<CFURLRef> CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                        CFIndex bufLen, Boolean isDirectory);
// The URL's path in the given style. kCFURLHFSPathStyle joins the names with
// ':' (a ':' inside a name becomes '/'), a folder's path ending in ':'. Its
// first name is the volume's: NAME for /Volumes/NAME/..., and for any other
// path the startup volume, kCFURLHFSStartupVolumeName.
CFRef<CFStringRef> CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle style);
inline constexpr const char* kCFURLHFSStartupVolumeName = "Startup Disk";
Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen);
CFRef<CFStringRef> CFURLCopyLastPathComponent(CFURLRef url);

// ------------------------------------------------------------- helpers

// Typed access to a dictionary value: null when absent or of another type.
template <class T>
T CFDictionaryGetTyped(CFDictionaryRef dict, CFStringRef key);
template <>
CFStringRef CFDictionaryGetTyped<CFStringRef>(CFDictionaryRef dict, CFStringRef key);
template <>
CFDataRef CFDictionaryGetTyped<CFDataRef>(CFDictionaryRef dict, CFStringRef key);
template <>
CFNumberRef CFDictionaryGetTyped<CFNumberRef>(CFDictionaryRef dict, CFStringRef key);
template <>
CFBooleanRef CFDictionaryGetTyped<CFBooleanRef>(CFDictionaryRef dict, CFStringRef key);
template <>
CFArrayRef CFDictionaryGetTyped<CFArrayRef>(CFDictionaryRef dict, CFStringRef key);
template <>
CFDictionaryRef CFDictionaryGetTyped<CFDictionaryRef>(CFDictionaryRef dict, CFStringRef key);
