// Deterministic text of descriptors, for transcripts: what a receiver got
// must be readable and comparable line by line between runs.
#include <cstring>
#include <map>

#include "platform/appleevents/AEStorage.h"
#include "platform/host/Transcript.h"

namespace {

std::map<DescType, AEDataRenderer>& Renderers() {
  static std::map<DescType, AEDataRenderer> renderers;
  return renderers;
}

std::string Code(OSType code) { return "'" + FourCCString(code) + "'"; }

std::string Quoted(const std::string& utf8) {
  std::string out = "\"";
  for (unsigned char c : utf8) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c == 0x7F) {
      out += Fmt("\\x%02X", c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Hex(std::span<const UInt8> bytes) {
  std::string out = "<";
  for (UInt8 b : bytes) out += Fmt("%02x", b);
  return out + ">";
}

template <class T>
T Load(std::span<const UInt8> b) {
  T v;
  std::memcpy(&v, b.data(), sizeof v);
  return v;
}

// The value inside the parentheses; empty optional when only hex will do.
std::optional<std::string> DataText(DescType type, std::span<const UInt8> b) {
  if (auto it = Renderers().find(type); it != Renderers().end()) return it->second(b);
  if (auto text = ae::TextOf(type, b)) return Quoted(*text);
  const std::size_t n = b.size();
  switch (type) {
    case typeSInt16:
      if (n == 2) return Fmt("%d", Load<SInt16>(b));
      break;
    case typeUInt16:
      if (n == 2) return Fmt("%u", Load<UInt16>(b));
      break;
    case typeSInt32:
      if (n == 4) return Fmt("%d", Load<SInt32>(b));
      break;
    case typeUInt32:
      if (n == 4) return Fmt("%u", Load<UInt32>(b));
      break;
    case typeSInt64:
      if (n == 8) return Fmt("%lld", static_cast<long long>(Load<SInt64>(b)));
      break;
    case typeUInt64:
      if (n == 8) return Fmt("%llu", static_cast<unsigned long long>(Load<UInt64>(b)));
      break;
    case typeIEEE32BitFloatingPoint:
      if (n == 4) return Fmt("%g", double(Load<float>(b)));
      break;
    case typeIEEE64BitFloatingPoint:
      if (n == 8) return Fmt("%g", Load<double>(b));
      break;
    case typeBoolean:
      if (n == 1) return std::string(b[0] ? "true" : "false");
      break;
    case typeTrue:
    case typeFalse:
      if (n == 0) return std::string();
      break;
    case typeType:
    case typeEnumerated:
    case typeKeyword:
    case typeProperty:
    case typeApplSignature:
      if (n == 4) return Code(Load<OSType>(b));
      break;
    case typeProcessSerialNumber:
      if (n == 8) {
        auto psn = Load<ProcessSerialNumber>(b);
        return Fmt("%u:%u", psn.highLongOfPSN, psn.lowLongOfPSN);
      }
      break;
    case typeQDPoint:
      if (n == 4) {
        auto p = Load<Point>(b);
        return Fmt("v %d, h %d", p.v, p.h);
      }
      break;
    case typeHIPoint:
      if (n == 8) {
        float xy[2];
        std::memcpy(xy, b.data(), 8);
        return Fmt("x %g, y %g", double(xy[0]), double(xy[1]));
      }
      break;
    default: break;
  }
  return std::nullopt;
}

std::string Describe(const AEDesc& desc);

std::string Keyed(const std::vector<AEItem>& items) {
  std::string out = "{";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += Code(items[i].keyword) + ": " + Describe(items[i].desc);
  }
  return out + "}";
}

std::string DescribeEvent(const AEDesc& desc) {
  const auto& attrs = desc.dataHandle->attributes;
  auto code = [&](AEKeyword key) {
    const AEItem* item = ae::FindKey(attrs, key);
    if (!item || !item->desc.dataHandle || item->desc.dataHandle->bytes.size() != 4)
      return std::string("'?'");
    return Code(Load<OSType>(item->desc.dataHandle->bytes));
  };
  std::string out = code(keyEventClassAttr) + "/" + code(keyEventIDAttr);
  if (const AEItem* address = ae::FindKey(attrs, keyAddressAttr))
    out += " to " + Describe(address->desc);
  return out + " " + Keyed(desc.dataHandle->items);
}

std::string Describe(const AEDesc& desc) {
  if (!desc.dataHandle)
    return desc.descriptorType == typeNull ? "null" : Code(desc.descriptorType) + "()";
  const auto& s = *desc.dataHandle;
  switch (s.kind) {
    case ae::Kind::List: {
      std::string out = "[";
      for (std::size_t i = 0; i < s.items.size(); ++i) {
        if (i) out += ", ";
        out += Describe(s.items[i].desc);
      }
      return out + "]";
    }
    case ae::Kind::Record:
      return (desc.descriptorType == typeAERecord ? "" : Code(desc.descriptorType)) +
             Keyed(s.items);
    case ae::Kind::Event: return DescribeEvent(desc);
    case ae::Kind::Data: break;
  }
  auto text = DataText(desc.descriptorType, s.bytes);
  return Code(desc.descriptorType) + "(" + (text ? *text : Hex(s.bytes)) + ")";
}

}  // namespace

std::string AEDescribe(const AEDesc& desc) { return Describe(desc); }

void AESetDataRenderer(DescType type, AEDataRenderer renderer) {
  if (renderer)
    Renderers()[type] = renderer;
  else
    Renderers().erase(type);
}
