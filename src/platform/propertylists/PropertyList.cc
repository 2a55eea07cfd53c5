// Property list values to and from libplist's node trees.
//
// libplist 2.2 hands dates out as 32-bit seconds since 2001 (saturating
// beyond 1933..2069) and integers as unsigned 64-bit values, so the few
// values those cannot carry are taken from, or handed in as, the node's XML
// text instead; see DateFromNode and IntegerFromNode.
#include "platform/propertylists/PropertyList.h"

#include <plist/plist.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include "platform/host/Transcript.h"
#include "platform/propertylists/PropertyListInternal.h"

namespace plist_internal {

void PlistFree::operator()(void* node) const { plist_free(static_cast<plist_t>(node)); }

}  // namespace plist_internal

using namespace plist_internal;

namespace {

// Seconds from 1970-01-01 to 2001-01-01, both UTC.
constexpr SInt64 kUnixToAbsolute = 978307200;
// Dates from year 1 to 9999, the years an XML date can spell.
constexpr double kEarliestDate = -63113904000.0;
constexpr double kLatestDate = 252423993599.0;

// ------------------------------------------------------------ calendar

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
SInt64 DaysFromCivil(SInt64 y, unsigned m, unsigned d) {
  y -= m <= 2;
  const SInt64 era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<SInt64>(doe) - 719468;
}

void CivilFromDays(SInt64 z, SInt64& y, unsigned& m, unsigned& d) {
  z += 719468;
  const SInt64 era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  y = static_cast<SInt64>(yoe) + era * 400 + (m <= 2);
}

// "YYYY-MM-DDTHH:MM:SSZ" of whole seconds since 2001.
std::string ISODate(SInt64 absoluteSeconds) {
  SInt64 unix = absoluteSeconds + kUnixToAbsolute;
  SInt64 days = unix >= 0 ? unix / 86400 : -((-unix + 86399) / 86400);
  SInt64 rest = unix - days * 86400;
  SInt64 y;
  unsigned m, d;
  CivilFromDays(days, y, m, d);
  return Fmt("%04lld-%02u-%02uT%02lld:%02lld:%02lldZ", static_cast<long long>(y), m, d,
             static_cast<long long>(rest / 3600), static_cast<long long>(rest / 60 % 60),
             static_cast<long long>(rest % 60));
}

// Seconds since 2001 of the first <date> in xml, or nullopt.
std::optional<double> ParseISODateIn(const std::string& xml) {
  auto at = xml.find("<date>");
  if (at == std::string::npos) return std::nullopt;
  int y, mo, d, h, mi, s;
  if (std::sscanf(xml.c_str() + at + 6, "%d-%d-%dT%d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6)
    return std::nullopt;
  if (mo < 1 || mo > 12 || d < 1 || d > 31) return std::nullopt;
  SInt64 days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
  return static_cast<double>(days * 86400 + h * 3600 + mi * 60 + s - kUnixToAbsolute);
}

// The XML text libplist writes for one node; it spells values its accessors
// cannot hand out.
std::string NodeXMLText(plist_t node) {
  PlistPtr copy(plist_copy(node));
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(copy.get(), &xml, &length);
  std::string text = xml ? std::string(xml, length) : std::string();
  if (xml) plist_to_xml_free(xml);
  return text;
}

// ------------------------------------------------------ nodes to values

std::optional<double> DateFromNode(plist_t node) {
  int32_t sec = 0, usec = 0;
  plist_get_date_val(node, &sec, &usec);
  if (sec == std::numeric_limits<int32_t>::min() || sec == std::numeric_limits<int32_t>::max())
    return ParseISODateIn(NodeXMLText(node));  // saturated: the text has the full range
  // A binary date is split into seconds truncated towards zero and the size
  // of the fraction, so the fraction of a date before 2001 counts backwards.
  double fraction = std::abs(usec) / 1e6;
  return sec < 0 ? sec - fraction : sec + fraction;
}

std::optional<SInt64> IntegerFromNode(plist_t node) {
  uint64_t u = 0;
  plist_get_uint_val(node, &u);
  if (u <= static_cast<uint64_t>(std::numeric_limits<SInt64>::max())) return static_cast<SInt64>(u);
  // Negative numbers arrive as their two's complement; only the text tells
  // them from unsigned values beyond the signed range, which we cannot hold.
  if (NodeXMLText(node).find("<integer>-") != std::string::npos) return static_cast<SInt64>(u);
  return std::nullopt;
}

struct Reader {
  bool mutableContainers;
  bool mutableLeaves;
  bool tooDeep = false;

  // Null for a node we leave out (or when nesting is too deep).
  CFRef<CFTypeRef> Value(plist_t node, int depth) {
    switch (plist_get_node_type(node)) {
      case PLIST_DICT: return depth < kMaxDepth ? Dictionary(node, depth) : Deep();
      case PLIST_ARRAY: return depth < kMaxDepth ? Array(node, depth) : Deep();
      case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        std::string_view utf8(text ? text : "", text ? length : 0);
        return CFRef<CFTypeRef>(new __CFString(UTF8ToUTF16(utf8), mutableLeaves));
      }
      case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        auto* data = new __CFData;
        if (bytes) data->storage.assign(bytes, bytes + length);
        data->mutableData = mutableLeaves;
        return CFRef<CFTypeRef>(data);
      }
      case PLIST_UINT: {
        auto v = IntegerFromNode(node);
        if (!v) return nullptr;
        return CFNumberCreate(nullptr, kCFNumberSInt64Type, &*v);
      }
      case PLIST_REAL: {
        double d = 0;
        plist_get_real_val(node, &d);
        return CFNumberCreate(nullptr, kCFNumberFloat64Type, &d);
      }
      case PLIST_BOOLEAN: {
        uint8_t b = 0;
        plist_get_bool_val(node, &b);
        return CFRef<CFTypeRef>::Retain(b ? kCFBooleanTrue : kCFBooleanFalse);
      }
      case PLIST_DATE: {
        auto t = DateFromNode(node);
        if (!t) return nullptr;
        return CFDateCreate(nullptr, *t);
      }
      default:  // keys only occur inside dictionaries; UIDs have no value kind here
        return nullptr;
    }
  }

  CFRef<CFTypeRef> Deep() {
    tooDeep = true;
    return nullptr;
  }

  CFRef<CFTypeRef> Dictionary(plist_t node, int depth) {
    auto dict = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                          &kCFTypeDictionaryValueCallBacks);
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(node, &iter);
    for (;;) {
      char* key = nullptr;
      plist_t child = nullptr;
      plist_dict_next_item(node, iter, &key, &child);
      if (!child) {
        std::free(key);
        break;
      }
      auto value = Value(child, depth + 1);
      if (value && key) CFDictionarySetValue(dict, CFStringFromUTF8(key), value);
      std::free(key);
    }
    std::free(iter);
    dict.get()->mutableDictionary = mutableContainers;
    return dict;
  }

  CFRef<CFTypeRef> Array(plist_t node, int depth) {
    auto array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
    uint32_t count = plist_array_get_size(node);
    for (uint32_t i = 0; i < count; ++i)
      if (auto value = Value(plist_array_get_item(node, i), depth + 1))
        CFArrayAppendValue(array, value);
    array.get()->mutableArray = mutableContainers;
    return array;
  }
};

// ------------------------------------------------------ values to nodes

bool IsXMLText(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

// Text libplist hands out as it was read, so it may not be UTF-8.
bool IsValidUTF8(std::string_view text) { return UTF16ToUTF8(UTF8ToUTF16(text)) == text; }

// What an XML writer can put into the file as it is.
bool FitsXML(std::string_view utf8) { return IsValidUTF8(utf8) && IsXMLText(UTF8ToUTF16(utf8)); }

bool IsValidValue(CFTypeRef v, bool xml, int depth) {
  if (!v || depth > kMaxDepth) return false;
  // A container takes a level of its own, as the reader counts them: one
  // at depth kMaxDepth would be written but never read back (an empty one
  // included, which holds nothing deeper to refuse).
  const CFTypeID type = v->TypeID();
  if ((type == kCFTypeIDArray || type == kCFTypeIDDictionary) && depth >= kMaxDepth) return false;
  switch (type) {
    case kCFTypeIDString: {
      auto& text = static_cast<CFStringRef>(v)->text;
      // libplist carries strings as C strings, so NUL cannot travel in either format.
      return xml ? IsXMLText(text) : text.find(u'\0') == std::u16string::npos;
    }
    case kCFTypeIDData:
    case kCFTypeIDNumber:
    case kCFTypeIDBoolean: return true;
    case kCFTypeIDDate: {
      double t = static_cast<CFDateRef>(v)->time;
      return std::isfinite(t) && t >= kEarliestDate && t <= kLatestDate;
    }
    case kCFTypeIDArray:
      for (const void* e : static_cast<CFArrayRef>(v)->values)
        if (!IsValidValue(static_cast<CFTypeRef>(e), xml, depth + 1)) return false;
      return true;
    case kCFTypeIDDictionary:
      for (auto& [key, value] : static_cast<CFDictionaryRef>(v)->entries)
        if (CFGetTypeID(key) != kCFTypeIDString || !IsValidValue(key, xml, depth + 1) ||
            !IsValidValue(value, xml, depth + 1))
          return false;
      return true;
    default: return false;
  }
}

plist_t DateNode(double t) {
  // XML dates have whole seconds; the earlier second is the one a clock
  // showed at that moment.
  double whole = std::floor(t);
  if (whole > std::numeric_limits<int32_t>::min() && whole < std::numeric_limits<int32_t>::max())
    return plist_new_date(static_cast<int32_t>(whole), 0);
  // Beyond what libplist takes in numbers: hand it the text instead.
  std::string xml =
      "<plist version=\"1.0\"><date>" + ISODate(static_cast<SInt64>(whole)) + "</date></plist>";
  plist_t node = nullptr;
  plist_from_xml(xml.data(), static_cast<uint32_t>(xml.size()), &node);
  return node;
}

// Assumes IsValidValue(v, ...) holds. Null only when libplist fails.
plist_t Node(CFTypeRef v) {
  switch (v->TypeID()) {
    case kCFTypeIDString:
      return plist_new_string(UTF16ToUTF8(static_cast<CFStringRef>(v)->text).c_str());
    case kCFTypeIDData: {
      auto data = static_cast<CFDataRef>(v);
      return plist_new_data(reinterpret_cast<const char*>(data->Bytes()),
                            static_cast<uint64_t>(data->Length()));
    }
    case kCFTypeIDNumber: {
      auto n = static_cast<CFNumberRef>(v);
      return n->isFloat ? plist_new_real(n->floatValue)
                        : plist_new_uint(static_cast<uint64_t>(n->intValue));
    }
    case kCFTypeIDBoolean: return plist_new_bool(static_cast<CFBooleanRef>(v)->value ? 1 : 0);
    case kCFTypeIDDate: return DateNode(static_cast<CFDateRef>(v)->time);
    case kCFTypeIDArray: {
      PlistPtr array(plist_new_array());
      for (const void* e : static_cast<CFArrayRef>(v)->values) {
        plist_t child = Node(static_cast<CFTypeRef>(e));
        if (!child) return nullptr;
        plist_array_append_item(array.get(), child);
      }
      return array.release();
    }
    case kCFTypeIDDictionary: {
      // Sorted keys make the file the same for the same contents, so that
      // a rewrite shows no change where there is none.
      auto entries = static_cast<CFDictionaryRef>(v)->entries;
      std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return static_cast<CFStringRef>(a.first)->text < static_cast<CFStringRef>(b.first)->text;
      });
      PlistPtr dict(plist_new_dict());
      for (auto& [key, value] : entries) {
        plist_t child = Node(value);
        if (!child) return nullptr;
        plist_dict_set_item(dict.get(), UTF16ToUTF8(static_cast<CFStringRef>(key)->text).c_str(),
                            child);
      }
      return dict.release();
    }
    default: return nullptr;
  }
}

// libplist writes the years before 1000 with fewer than four digits
// ("999-01-01T..."), which no reader takes; pads them with zeros.
void PadDateYears(std::string& xml) {
  static constexpr std::string_view kTag = "<date>";
  for (auto at = xml.find(kTag); at != std::string::npos; at = xml.find(kTag, at + 1)) {
    std::size_t start = at + kTag.size(), end = start;
    while (end < xml.size() && xml[end] >= '0' && xml[end] <= '9') ++end;
    if (end < xml.size() && xml[end] == '-' && end - start < 4)
      xml.insert(start, 4 - (end - start), '0');
  }
}

// ------------------------------------------------------------ copying

CFRef<CFTypeRef> DeepCopy(CFTypeRef v, bool mutableContainers, bool mutableLeaves) {
  switch (v->TypeID()) {
    case kCFTypeIDString:
      return CFRef<CFTypeRef>(new __CFString(static_cast<CFStringRef>(v)->text, mutableLeaves));
    case kCFTypeIDData: {
      auto source = static_cast<CFDataRef>(v);
      auto* data = new __CFData;
      data->storage.assign(source->Bytes(), source->Bytes() + source->Length());
      data->mutableData = mutableLeaves;
      return CFRef<CFTypeRef>(data);
    }
    case kCFTypeIDNumber: {
      auto n = static_cast<CFNumberRef>(v);
      auto* copy = new __CFNumber;
      copy->isFloat = n->isFloat;
      copy->intValue = n->intValue;
      copy->floatValue = n->floatValue;
      copy->type = n->type;
      return CFRef<CFTypeRef>(copy);
    }
    case kCFTypeIDBoolean: return CFRef<CFTypeRef>::Retain(v);
    case kCFTypeIDDate: return CFDateCreate(nullptr, static_cast<CFDateRef>(v)->time);
    case kCFTypeIDArray: {
      auto array = CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks);
      for (const void* e : static_cast<CFArrayRef>(v)->values)
        CFArrayAppendValue(array,
                           DeepCopy(static_cast<CFTypeRef>(e), mutableContainers, mutableLeaves));
      array.get()->mutableArray = mutableContainers;
      return array;
    }
    case kCFTypeIDDictionary: {
      auto dict = CFDictionaryCreateMutable(nullptr, 0, &kCFTypeDictionaryKeyCallBacks,
                                            &kCFTypeDictionaryValueCallBacks);
      for (auto& [key, value] : static_cast<CFDictionaryRef>(v)->entries)
        CFDictionarySetValue(dict, DeepCopy(key, false, false),
                             DeepCopy(value, mutableContainers, mutableLeaves));
      dict.get()->mutableDictionary = mutableContainers;
      return dict;
    }
    default: return nullptr;
  }
}

CFRef<CFPropertyListRef> Fail(CFStringRef* errorString, const char* why) {
  if (errorString) *errorString = CFSTR(why);
  return nullptr;
}

}  // namespace

// ------------------------------------------------------ shared with the files

namespace plist_internal {

ParsedNodes ParseNodes(const unsigned char* bytes, std::size_t length) {
  ParsedNodes parsed;
  if (length == 0) {
    parsed.error = "it is empty";
    return parsed;
  }
  if (length > std::numeric_limits<uint32_t>::max()) {
    parsed.error = "it is too large";
    return parsed;
  }
  const char* text = reinterpret_cast<const char*>(bytes);
  std::string patched;
  if (plist_is_binary(text, static_cast<uint32_t>(length))) {
    parsed.format = kCFPropertyListBinaryFormat_v1_0;
    BinaryScan scan = ScanBinaryPropertyList(bytes, length);
    if (!scan.malformed.empty()) {
      parsed.error = scan.malformed;
      return parsed;
    }
    parsed.holdsNUL = scan.holdsNUL;
    parsed.skippedDictionaries = scan.dictionariesWithNULKeys.size();
    parsed.skippedStrings = scan.textsWithNUL;
    if (scan.holdsNUL) {
      // libplist cannot hand such keys out, and cuts such strings short; as
      // one-byte UIDs they are parsed without their contents and then left
      // out, as malformed.
      patched.assign(text, length);
      for (std::size_t at : scan.dictionariesWithNULKeys) patched[at] = '\x80';
      for (std::size_t at : scan.stringsWithNUL) patched[at] = '\x80';
      text = patched.data();
    }
  } else {
    parsed.error = ScanXMLPropertyList(text, length);
    if (!parsed.error.empty()) return parsed;
  }
  plist_t root = nullptr;
  plist_from_memory(text, static_cast<uint32_t>(length), &root);
  parsed.root.reset(root);
  if (!root) {
    parsed.error = parsed.format == kCFPropertyListBinaryFormat_v1_0
                       ? "it is not a well-formed binary property list"
                       : "it is not a well-formed XML property list";
  } else if (parsed.holdsNUL && plist_get_node_type(root) == PLIST_UID) {
    parsed.root.reset();
    parsed.error = parsed.skippedDictionaries
                       ? "a key of its top-level dictionary holds a NUL character"
                       : "its only text holds a NUL character";
  }
  return parsed;
}

CFRef<CFTypeRef> ValueFromNode(void* node, CFOptionFlags mutabilityOption, bool* tooDeep) {
  Reader reader{mutabilityOption >= kCFPropertyListMutableContainers,
                mutabilityOption >= kCFPropertyListMutableContainersAndLeaves};
  auto value = reader.Value(static_cast<plist_t>(node), 0);
  if (tooDeep) *tooDeep = reader.tooDeep;
  return value;
}

void* NodeFromValue(CFTypeRef value) { return Node(value); }

bool NodeTreeFitsXML(void* node) {
  auto n = static_cast<plist_t>(node);
  switch (plist_get_node_type(n)) {
    case PLIST_STRING: {
      uint64_t length = 0;
      const char* text = plist_get_string_ptr(n, &length);
      return FitsXML(std::string_view(text ? text : "", text ? length : 0));
    }
    case PLIST_UID: return false;
    case PLIST_ARRAY: {
      uint32_t count = plist_array_get_size(n);
      for (uint32_t i = 0; i < count; ++i)
        if (!NodeTreeFitsXML(plist_array_get_item(n, i))) return false;
      return true;
    }
    case PLIST_DICT: {
      // Trees here never hold keys with a NUL character (the binary scan
      // takes their dictionaries out), so reading keys cannot assert.
      plist_dict_iter iter = nullptr;
      plist_dict_new_iter(n, &iter);
      bool fits = true;
      for (;;) {
        char* key = nullptr;
        plist_t child = nullptr;
        plist_dict_next_item(n, iter, &key, &child);
        if (!child) {
          std::free(key);
          break;
        }
        fits = FitsXML(key ? key : "") && NodeTreeFitsXML(child);
        std::free(key);
        if (!fits) break;
      }
      std::free(iter);
      return fits;
    }
    default: return true;
  }
}

std::string SerializeNodes(void* node, CFPropertyListFormat format) {
  char* bytes = nullptr;
  uint32_t length = 0;
  std::string out;
  if (format == kCFPropertyListBinaryFormat_v1_0) {
    plist_to_bin(static_cast<plist_t>(node), &bytes, &length);
    if (bytes) out.assign(bytes, length);
    if (bytes) plist_to_bin_free(bytes);
  } else {
    plist_to_xml(static_cast<plist_t>(node), &bytes, &length);
    if (bytes) out.assign(bytes, length);
    if (bytes) plist_to_xml_free(bytes);
    PadDateYears(out);
  }
  return out;
}

}  // namespace plist_internal

// ------------------------------------------------------------ public calls

CFRef<CFPropertyListRef> CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData,
                                                         CFOptionFlags mutabilityOption,
                                                         CFStringRef* errorString) {
  if (errorString) *errorString = nullptr;
  CFIndex length = CFDataGetLength(xmlData);
  if (length <= 0) return Fail(errorString, "property list data is empty");
  ParsedNodes parsed = ParseNodes(CFDataGetBytePtr(xmlData), static_cast<std::size_t>(length));
  if (!parsed.root) {
    // The reasons name the text at fault; the constant strings handed out
    // here are kept to a few kinds.
    return Fail(errorString, parsed.error.find("nested") != std::string::npos
                                 ? "property list is nested too deeply"
                                 : "data is not a readable XML or binary property list");
  }
  bool tooDeep = false;
  auto value = ValueFromNode(parsed.root.get(), mutabilityOption, &tooDeep);
  if (tooDeep) return Fail(errorString, "property list is nested too deeply");
  if (!value) return Fail(errorString, "property list holds no value of a known kind");
  return value;
}

CFRef<CFDataRef> CFPropertyListCreateXMLData(CFAllocatorRef, CFPropertyListRef propertyList) {
  if (!CFPropertyListIsValid(propertyList, kCFPropertyListXMLFormat_v1_0)) return nullptr;
  PlistPtr root(Node(propertyList));
  if (!root) return nullptr;
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(root.get(), &xml, &length);
  if (!xml) return nullptr;
  std::string text(xml, length);
  plist_to_xml_free(xml);
  PadDateYears(text);
  return CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                      static_cast<CFIndex>(text.size()));
}

CFRef<CFPropertyListRef> CFPropertyListCreateDeepCopy(CFAllocatorRef,
                                                      CFPropertyListRef propertyList,
                                                      CFOptionFlags mutabilityOption) {
  if (!CFPropertyListIsValid(propertyList, kCFPropertyListBinaryFormat_v1_0)) return nullptr;
  return DeepCopy(propertyList, mutabilityOption >= kCFPropertyListMutableContainers,
                  mutabilityOption >= kCFPropertyListMutableContainersAndLeaves);
}

Boolean CFPropertyListIsValid(CFPropertyListRef plist, CFPropertyListFormat format) {
  if (format != kCFPropertyListXMLFormat_v1_0 && format != kCFPropertyListBinaryFormat_v1_0)
    return false;
  return IsValidValue(plist, format == kCFPropertyListXMLFormat_v1_0, 0);
}
