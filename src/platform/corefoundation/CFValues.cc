// Data, numbers, booleans, dates and file URLs.
#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "platform/corefoundation/CoreFoundation.h"

// ------------------------------------------------------------------- data

__CFData::~__CFData() {
  if (external && externalDeallocator != kCFAllocatorNull) std::free(const_cast<UInt8*>(external));
}

bool __CFData::Equals(const __CFObject& other) const {
  auto& o = static_cast<const __CFData&>(other);
  // Empty data may have no buffer at all: memcmp on null is undefined.
  return Length() == o.Length() &&
         (Length() == 0 ||
          std::memcmp(Bytes(), o.Bytes(), static_cast<std::size_t>(Length())) == 0);
}

CFHashCode __CFData::Hash() const {
  CFHashCode h = 1469598103934665603ull;
  for (CFIndex i = 0; i < Length(); ++i) h = (h ^ Bytes()[i]) * 1099511628211ull;
  return h;
}

std::string __CFData::Describe() const {
  std::string s = "<";
  char buf[3];
  for (CFIndex i = 0; i < Length(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", Bytes()[i]);
    s += buf;
  }
  return s + ">";
}

CFTypeID CFDataGetTypeID() { return kCFTypeIDData; }

CFRef<CFDataRef> CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (!bytes && length)) return nullptr;
  auto* d = new __CFData;
  d->storage.assign(bytes, bytes + length);
  return CFRef<CFDataRef>(d);
}

CFRef<CFDataRef> CFDataCreateWithBytesNoCopy(CFAllocatorRef, const UInt8* bytes, CFIndex length,
                                             CFAllocatorRef bytesDeallocator) {
  if (length < 0 || (!bytes && length)) return nullptr;
  auto* d = new __CFData;
  d->external = bytes;
  d->externalLength = length;
  d->externalDeallocator = bytesDeallocator;
  if (!bytes) d->external = nullptr;
  return CFRef<CFDataRef>(d);
}

CFRef<CFMutableDataRef> CFDataCreateMutable(CFAllocatorRef, CFIndex capacity) {
  auto* d = new __CFData;
  d->mutableData = true;
  if (capacity > 0) d->storage.reserve(static_cast<std::size_t>(capacity));
  return CFRef<CFMutableDataRef>(d);
}

CFRef<CFMutableDataRef> CFDataCreateMutableCopy(CFAllocatorRef, CFIndex, CFDataRef data) {
  if (!data) return nullptr;
  auto* d = new __CFData;
  d->mutableData = true;
  d->storage.assign(data->Bytes(), data->Bytes() + data->Length());
  return CFRef<CFMutableDataRef>(d);
}

CFIndex CFDataGetLength(CFDataRef data) { return data ? data->Length() : 0; }

const UInt8* CFDataGetBytePtr(CFDataRef data) { return data ? data->Bytes() : nullptr; }

UInt8* CFDataGetMutableBytePtr(CFMutableDataRef data) {
  assert(data && data->mutableData);
  return data->storage.data();
}

void CFDataGetBytes(CFDataRef data, CFRange range, UInt8* buffer) {
  assert(data && range.location >= 0 && range.length >= 0 &&
         range.location + range.length <= data->Length());
  if (range.length > 0)
    std::memcpy(buffer, data->Bytes() + range.location, static_cast<std::size_t>(range.length));
}

void CFDataAppendBytes(CFMutableDataRef data, const UInt8* bytes, CFIndex length) {
  assert(data && data->mutableData);
  if (length > 0) data->storage.insert(data->storage.end(), bytes, bytes + length);
}

void CFDataSetLength(CFMutableDataRef data, CFIndex length) {
  assert(data && data->mutableData && length >= 0);
  data->storage.resize(static_cast<std::size_t>(length), 0);
}

// ---------------------------------------------------------------- numbers

namespace {

bool IsFloatType(CFNumberType t) {
  return t == kCFNumberFloat32Type || t == kCFNumberFloat64Type || t == kCFNumberFloatType ||
         t == kCFNumberDoubleType || t == kCFNumberCGFloatType;
}

// Width in bytes of an integer type.
int IntWidth(CFNumberType t) {
  switch (t) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType: return 1;
    case kCFNumberSInt16Type:
    case kCFNumberShortType: return 2;
    case kCFNumberSInt32Type:
    case kCFNumberIntType: return 4;
    default: return 8;
  }
}

template <class T>
bool StoreInt(SInt64 v, void* out) {
  T t = static_cast<T>(v);  // truncates to the low bits, as CoreFoundation does
  std::memcpy(out, &t, sizeof t);
  return static_cast<SInt64>(t) == v;
}

}  // namespace

bool __CFNumber::Equals(const __CFObject& other) const {
  auto& o = static_cast<const __CFNumber&>(other);
  if (isFloat || o.isFloat) {
    double a = isFloat ? floatValue : static_cast<double>(intValue);
    double b = o.isFloat ? o.floatValue : static_cast<double>(o.intValue);
    return a == b;
  }
  return intValue == o.intValue;
}

CFHashCode __CFNumber::Hash() const {
  return isFloat ? std::hash<double>()(floatValue) : std::hash<SInt64>()(intValue);
}

std::string __CFNumber::Describe() const {
  if (!isFloat) return std::to_string(intValue);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", floatValue);
  return buf;
}

CFTypeID CFNumberGetTypeID() { return kCFTypeIDNumber; }

CFRef<CFNumberRef> CFNumberCreate(CFAllocatorRef, CFNumberType type, const void* valuePtr) {
  if (!valuePtr) return nullptr;
  auto* n = new __CFNumber;
  n->type = type;
  if (IsFloatType(type)) {
    n->isFloat = true;
    if (type == kCFNumberFloat32Type || type == kCFNumberFloatType) {
      float f;
      std::memcpy(&f, valuePtr, sizeof f);
      n->floatValue = f;
    } else {
      std::memcpy(&n->floatValue, valuePtr, sizeof(double));
    }
  } else {
    switch (IntWidth(type)) {
      case 1: n->intValue = *static_cast<const SInt8*>(valuePtr); break;
      case 2: {
        SInt16 v;
        std::memcpy(&v, valuePtr, 2);
        n->intValue = v;
        break;
      }
      case 4: {
        SInt32 v;
        std::memcpy(&v, valuePtr, 4);
        n->intValue = v;
        break;
      }
      default: std::memcpy(&n->intValue, valuePtr, 8); break;
    }
  }
  return CFRef<CFNumberRef>(n);
}

CFNumberType CFNumberGetType(CFNumberRef number) { return number->type; }

Boolean CFNumberIsFloatType(CFNumberRef number) { return number && number->isFloat; }

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType type, void* valuePtr) {
  if (!number || !valuePtr) return false;
  if (IsFloatType(type)) {
    double d = number->isFloat ? number->floatValue : static_cast<double>(number->intValue);
    bool exact = number->isFloat || static_cast<SInt64>(d) == number->intValue;
    if (type == kCFNumberFloat32Type || type == kCFNumberFloatType) {
      float f = static_cast<float>(d);
      std::memcpy(valuePtr, &f, sizeof f);
      return exact && (std::isnan(d) || static_cast<double>(f) == d);
    }
    std::memcpy(valuePtr, &d, sizeof d);
    return exact;
  }
  SInt64 v;
  bool exact = true;
  if (number->isFloat) {
    double d = number->floatValue;
    if (std::isnan(d)) {
      v = 0;
      exact = false;
    } else if (d >= 9.2233720368547758e18) {
      v = std::numeric_limits<SInt64>::max();
      exact = false;
    } else if (d < -9.2233720368547758e18) {
      v = std::numeric_limits<SInt64>::min();
      exact = false;
    } else {
      v = static_cast<SInt64>(d);  // towards zero
      exact = static_cast<double>(v) == d;
    }
  } else {
    v = number->intValue;
  }
  bool fits;
  switch (IntWidth(type)) {
    case 1: fits = StoreInt<SInt8>(v, valuePtr); break;
    case 2: fits = StoreInt<SInt16>(v, valuePtr); break;
    case 4: fits = StoreInt<SInt32>(v, valuePtr); break;
    default: fits = StoreInt<SInt64>(v, valuePtr); break;
  }
  return exact && fits;
}

// --------------------------------------------------------------- booleans

// Never destroyed: containers released during exit may still point at them.
const CFBooleanRef kCFBooleanTrue = new __CFBoolean(true);
const CFBooleanRef kCFBooleanFalse = new __CFBoolean(false);

CFTypeID CFBooleanGetTypeID() { return kCFTypeIDBoolean; }

Boolean CFBooleanGetValue(CFBooleanRef b) { return b && b->value; }

// ------------------------------------------------------------------ dates

bool __CFDate::Equals(const __CFObject& other) const {
  return time == static_cast<const __CFDate&>(other).time;
}

std::string __CFDate::Describe() const {
  char buf[64];
  std::snprintf(buf, sizeof buf, "date(%.3f)", time);
  return buf;
}

CFTypeID CFDateGetTypeID() { return kCFTypeIDDate; }

CFRef<CFDateRef> CFDateCreate(CFAllocatorRef, CFAbsoluteTime at) {
  return CFRef<CFDateRef>(new __CFDate(at));
}

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date) { return date ? date->time : 0; }

// ------------------------------------------------------------------ URLs

namespace {

// Collapses "//" and a trailing "/" so that equal paths compare equal.
std::string NormalisePath(const std::string& p) {
  std::string out;
  for (char c : p) {
    if (c == '/' && !out.empty() && out.back() == '/') continue;
    out.push_back(c);
  }
  if (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

}  // namespace

bool __CFURL::Equals(const __CFObject& other) const {
  auto& o = static_cast<const __CFURL&>(other);
  return path == o.path && isDirectory == o.isDirectory;
}

CFTypeID CFURLGetTypeID() { return kCFTypeIDURL; }

CFRef<CFURLRef> CFURLCreateWithFileSystemPath(CFAllocatorRef, CFStringRef filePath,
                                              CFURLPathStyle style, Boolean isDirectory) {
  if (!filePath || style != kCFURLPOSIXPathStyle) return nullptr;
  std::string p = CFStringToUTF8(filePath);
  if (p.empty()) return nullptr;
  auto* u = new __CFURL;
  u->path = NormalisePath(p);
  u->isDirectory = isDirectory;
  return CFRef<CFURLRef>(u);
}

CFRef<CFURLRef> CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                        CFIndex bufLen, Boolean isDirectory) {
  if (!buffer || bufLen <= 0) return nullptr;
  auto* u = new __CFURL;
  u->path = NormalisePath(
      std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(bufLen)));
  u->isDirectory = isDirectory;
  return CFRef<CFURLRef>(u);
}

namespace {

// Names of an absolute POSIX path joined the HFS way, the volume first.
std::string HFSPathOf(const std::string& posix, bool isDirectory) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= posix.size()) {
    std::size_t end = posix.find('/', start);
    if (end == std::string::npos) end = posix.size();
    std::string name = posix.substr(start, end - start);
    if (!name.empty()) {
      for (char& c : name)
        if (c == ':') c = '/';
      names.push_back(std::move(name));
    }
    start = end + 1;
  }
  std::size_t first = 0;
  std::string out;
  if (names.size() >= 2 && names[0] == "Volumes") {
    out = names[1];
    first = 2;
  } else {
    out = kCFURLHFSStartupVolumeName;
  }
  for (std::size_t i = first; i < names.size(); ++i) out += ":" + names[i];
  if (isDirectory || first == names.size()) out += ":";
  return out;
}

}  // namespace

CFRef<CFStringRef> CFURLCopyFileSystemPath(CFURLRef url, CFURLPathStyle style) {
  if (!url) return nullptr;
  if (style == kCFURLHFSPathStyle) return CFStringFromUTF8(HFSPathOf(url->path, url->isDirectory));
  if (style != kCFURLPOSIXPathStyle) return nullptr;
  return CFStringFromUTF8(url->path);
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean, UInt8* buffer, CFIndex maxBufLen) {
  if (!url || !buffer || static_cast<CFIndex>(url->path.size()) + 1 > maxBufLen) return false;
  std::memcpy(buffer, url->path.c_str(), url->path.size() + 1);
  return true;
}

CFRef<CFStringRef> CFURLCopyLastPathComponent(CFURLRef url) {
  if (!url) return nullptr;
  auto slash = url->path.find_last_of('/');
  std::string last = slash == std::string::npos ? url->path : url->path.substr(slash + 1);
  if (last.empty()) last = "/";
  return CFStringFromUTF8(last);
}
