// The coercions the agent and its hosts need: text encodings, numbers,
// booleans, four-character code types, points, and record retyping.
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/appleevents/AEStorage.h"
#include "platform/corefoundation/CoreFoundation.h"

namespace {

using Bytes = std::span<const UInt8>;

// -------------------------------------------------------------------- text

bool IsText(DescType t) { return t == typeChar || t == typeUTF8Text || t == typeUnicodeText; }

std::optional<std::u16string> DecodeText(DescType type, Bytes bytes) {
  std::u16string out;
  switch (type) {
    case typeChar:
      if (!MacRomanToUTF16(
              std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), out))
        return std::nullopt;
      return out;
    case typeUTF8Text:
      return UTF8ToUTF16(
          std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    case typeUnicodeText:
      if (bytes.size() % 2 != 0) return std::nullopt;
      out.resize(bytes.size() / 2);
      if (!out.empty()) std::memcpy(out.data(), bytes.data(), bytes.size());
      return out;
    default: return std::nullopt;
  }
}

std::optional<std::string> EncodeText(DescType type, const std::u16string& text) {
  switch (type) {
    case typeChar: {
      std::string out;
      if (!UTF16ToMacRoman(text, out)) return std::nullopt;
      return out;
    }
    case typeUTF8Text: return UTF16ToUTF8(text);
    case typeUnicodeText:
      return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    default: return std::nullopt;
  }
}

// ----------------------------------------------------------------- numbers

// An integer keeps its sign and magnitude so that every 64-bit value of
// either signedness survives; a float is a double.
struct Number {
  bool isFloat = false;
  double f = 0;
  bool negative = false;
  UInt64 magnitude = 0;
};

struct IntType {
  DescType type;
  std::size_t size;
  bool isSigned;
};
constexpr IntType kIntTypes[] = {{typeSInt16, 2, true}, {typeUInt16, 2, false},
                                 {typeSInt32, 4, true}, {typeUInt32, 4, false},
                                 {typeSInt64, 8, true}, {typeUInt64, 8, false}};

const IntType* FindInt(DescType t) {
  for (const auto& i : kIntTypes)
    if (i.type == t) return &i;
  return nullptr;
}
bool IsFloatType(DescType t) {
  return t == typeIEEE32BitFloatingPoint || t == typeIEEE64BitFloatingPoint;
}
bool IsBoolType(DescType t) { return t == typeBoolean || t == typeTrue || t == typeFalse; }
bool IsNumeric(DescType t) { return FindInt(t) || IsFloatType(t) || IsBoolType(t); }

Number FromSigned(SInt64 v) {
  Number n;
  n.negative = v < 0;
  n.magnitude = n.negative ? UInt64(0) - static_cast<UInt64>(v) : static_cast<UInt64>(v);
  return n;
}
Number FromUnsigned(UInt64 v) {
  Number n;
  n.magnitude = v;
  return n;
}

std::optional<Number> ReadNumber(DescType type, Bytes b) {
  if (const IntType* it = FindInt(type)) {
    if (b.size() != it->size) return std::nullopt;
    switch (it->size) {
      case 2: {
        UInt16 u;
        std::memcpy(&u, b.data(), 2);
        return it->isSigned ? FromSigned(static_cast<SInt16>(u)) : FromUnsigned(u);
      }
      case 4: {
        UInt32 u;
        std::memcpy(&u, b.data(), 4);
        return it->isSigned ? FromSigned(static_cast<SInt32>(u)) : FromUnsigned(u);
      }
      default: {
        UInt64 u;
        std::memcpy(&u, b.data(), 8);
        return it->isSigned ? FromSigned(static_cast<SInt64>(u)) : FromUnsigned(u);
      }
    }
  }
  Number n;
  n.isFloat = true;
  if (type == typeIEEE32BitFloatingPoint && b.size() == 4) {
    float f;
    std::memcpy(&f, b.data(), 4);
    n.f = f;
    return n;
  }
  if (type == typeIEEE64BitFloatingPoint && b.size() == 8) {
    std::memcpy(&n.f, b.data(), 8);
    return n;
  }
  if (type == typeBoolean && b.size() == 1) return FromUnsigned(b[0] != 0);
  if (type == typeTrue && b.empty()) return FromUnsigned(1);
  if (type == typeFalse && b.empty()) return FromUnsigned(0);
  return std::nullopt;
}

// The value as an exact integer, when it is one.
std::optional<Number> AsInteger(const Number& n) {
  if (!n.isFloat) return n;
  if (!std::isfinite(n.f) || std::trunc(n.f) != n.f) return std::nullopt;
  double m = std::fabs(n.f);
  if (m >= 18446744073709551616.0) return std::nullopt;
  Number out;
  out.negative = n.f < 0;
  out.magnitude = static_cast<UInt64>(m);
  return out;
}

template <class T>
std::string BytesOf(T v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

std::optional<std::string> WriteNumber(DescType type, const Number& n) {
  if (IsFloatType(type)) {
    double v = n.isFloat ? n.f
                         : (n.negative ? -static_cast<double>(n.magnitude)
                                       : static_cast<double>(n.magnitude));
    if (type == typeIEEE64BitFloatingPoint) return BytesOf(v);
    if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max()) return std::nullopt;
    return BytesOf(static_cast<float>(v));
  }
  auto i = AsInteger(n);
  if (!i) return std::nullopt;
  if (IsBoolType(type)) {
    if (i->negative || i->magnitude > 1) return std::nullopt;
    if (type == typeBoolean) return std::string(1, static_cast<char>(i->magnitude));
    if ((type == typeTrue) != (i->magnitude == 1)) return std::nullopt;
    return std::string();
  }
  const IntType* it = FindInt(type);
  if (!it) return std::nullopt;
  unsigned bits = static_cast<unsigned>(it->size * 8);
  UInt64 maxPositive = it->isSigned ? (UInt64(1) << (bits - 1)) - 1
                                    : (bits == 64 ? ~UInt64(0) : (UInt64(1) << bits) - 1);
  UInt64 maxNegative = it->isSigned ? (UInt64(1) << (bits - 1)) : 0;
  if (i->negative ? i->magnitude > maxNegative : i->magnitude > maxPositive) return std::nullopt;
  UInt64 raw = i->negative ? UInt64(0) - i->magnitude : i->magnitude;
  switch (it->size) {
    case 2: return BytesOf(static_cast<UInt16>(raw));
    case 4: return BytesOf(static_cast<UInt32>(raw));
    default: return BytesOf(raw);
  }
}

// ------------------------------------------------------------------ others

bool IsCodeType(DescType t) {
  return t == typeType || t == typeEnumerated || t == typeKeyword || t == typeProperty;
}

std::optional<std::string> ConvertPoint(DescType from, Bytes b, DescType to) {
  if (from == typeQDPoint && to == typeHIPoint && b.size() == 4) {
    SInt16 vh[2];
    std::memcpy(vh, b.data(), 4);
    float xy[2] = {static_cast<float>(vh[1]), static_cast<float>(vh[0])};
    return std::string(reinterpret_cast<const char*>(xy), 8);
  }
  if (from == typeHIPoint && to == typeQDPoint && b.size() == 8) {
    float xy[2];
    std::memcpy(xy, b.data(), 8);
    SInt16 vh[2];
    for (int i = 0; i < 2; ++i) {
      float c = xy[1 - i];
      if (!std::isfinite(c) || c < -32768.0f || c > 32767.0f) return std::nullopt;
      vh[i] = static_cast<SInt16>(std::lround(c));
    }
    return std::string(reinterpret_cast<const char*>(vh), 4);
  }
  return std::nullopt;
}

std::optional<std::string> ConvertData(DescType from, Bytes b, DescType to) {
  if (IsText(from) && IsText(to)) {
    auto text = DecodeText(from, b);
    if (!text) return std::nullopt;
    return EncodeText(to, *text);
  }
  if (IsNumeric(from) && IsNumeric(to)) {
    auto n = ReadNumber(from, b);
    if (!n) return std::nullopt;
    return WriteNumber(to, *n);
  }
  if (IsCodeType(from) && IsCodeType(to) && b.size() == 4)
    return std::string(reinterpret_cast<const char*>(b.data()), 4);
  return ConvertPoint(from, b, to);
}

}  // namespace

namespace ae {

std::optional<std::string> TextOf(DescType type, std::span<const UInt8> bytes) {
  if (!IsText(type)) return std::nullopt;
  auto text = DecodeText(type, bytes);
  if (!text) return std::nullopt;
  return UTF16ToUTF8(*text);
}

}  // namespace ae

OSErr AECoerceDesc(const AEDesc* theAEDesc, DescType toType, AEDesc* result) {
  if (!theAEDesc || !result) return paramErr;
  const DescType from = theAEDesc->descriptorType;
  if (toType == typeWildCard || toType == from) {
    *result = ae::Duplicate(*theAEDesc);
    return noErr;
  }
  if (!theAEDesc->dataHandle) return errAECoercionFail;  // the null descriptor
  const auto& storage = *theAEDesc->dataHandle;
  switch (storage.kind) {
    case ae::Kind::Record:
      if (toType == typeAEList || toType == typeAppleEvent) return errAECoercionFail;
      *result = ae::Duplicate(*theAEDesc);
      result->descriptorType = toType;
      return noErr;
    case ae::Kind::List:
    case ae::Kind::Event: return errAECoercionFail;
    case ae::Kind::Data: break;
  }
  if (toType == typeAEList) {
    AEDesc list = ae::MakeContainer(typeAEList, ae::Kind::List);
    list.dataHandle->items.push_back(AEItem{0, ae::Duplicate(*theAEDesc)});
    *result = list;
    return noErr;
  }
  auto converted = ConvertData(from, storage.bytes, toType);
  if (!converted) return errAECoercionFail;
  *result = ae::MakeData(toType, converted->data(), converted->size());
  return noErr;
}

OSErr AECoercePtr(DescType typeCode, const void* dataPtr, Size dataSize, DescType toType,
                  AEDesc* result) {
  if (!result || dataSize < 0 || (dataSize > 0 && !dataPtr)) return paramErr;
  AEDesc source = ae::MakeData(typeCode, dataPtr, static_cast<std::size_t>(dataSize));
  OSErr e = AECoerceDesc(&source, toType, result);
  AEDisposeDesc(&source);
  return e;
}
