// What lies behind an AEDesc's dataHandle. Private to the Apple event files.
#pragma once

#include <optional>
#include <vector>

#include "platform/appleevents/AppleEvents.h"

// Each item owns its descriptor: storage frees what it holds.
struct AEItem {
  AEKeyword keyword = 0;  // 0 in a list
  AEDesc desc;
};

struct OpaqueAEDataStorageType {
  enum class Kind { Data, List, Record, Event };
  Kind kind = Kind::Data;
  std::vector<UInt8> bytes;        // Data
  std::vector<AEItem> items;       // List, Record, Event (its parameters)
  std::vector<AEItem> attributes;  // Event

  OpaqueAEDataStorageType() = default;
  OpaqueAEDataStorageType(const OpaqueAEDataStorageType&) = delete;
  OpaqueAEDataStorageType& operator=(const OpaqueAEDataStorageType&) = delete;
  ~OpaqueAEDataStorageType();
};

namespace ae {

using Kind = OpaqueAEDataStorageType::Kind;

inline bool IsContainer(const AEDesc* d) {
  return d && d->dataHandle && d->dataHandle->kind != Kind::Data;
}
inline bool IsKeyed(const AEDesc* d) {
  return d && d->dataHandle &&
         (d->dataHandle->kind == Kind::Record || d->dataHandle->kind == Kind::Event);
}
inline bool IsEvent(const AEDesc* d) {
  return d && d->dataHandle && d->dataHandle->kind == Kind::Event;
}

// A new descriptor of the given kind (and, for data, bytes).
AEDesc MakeData(DescType type, const void* data, std::size_t size);
AEDesc MakeContainer(DescType type, Kind kind);
// Deep copy; the null descriptor copies to itself.
AEDesc Duplicate(const AEDesc& desc);

// The item with keyword in items, or null.
AEItem* FindKey(std::vector<AEItem>& items, AEKeyword keyword);
const AEItem* FindKey(const std::vector<AEItem>& items, AEKeyword keyword);
// Puts a copy of desc under keyword (replacing an item with that keyword).
void PutKeyed(std::vector<AEItem>& items, AEKeyword keyword, const AEDesc& desc);

// Reads desc coerced to desiredType into the caller's buffer, as every Ptr
// getter does. Status: noErr; paramErr; errAEWrongDataType;
// errAECoercionFail.
OSErr ReadPtr(const AEDesc& desc, DescType desiredType, DescType* typeCode, void* dataPtr,
              Size maximumSize, Size* actualSize);

// Text of one data descriptor's bytes as UTF-8, when its type is a text type.
std::optional<std::string> TextOf(DescType type, std::span<const UInt8> bytes);

}  // namespace ae
