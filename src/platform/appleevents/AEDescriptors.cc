// Descriptors, lists and records.
#include <algorithm>
#include <cstring>

#include "platform/appleevents/AEStorage.h"

OpaqueAEDataStorageType::~OpaqueAEDataStorageType() {
  for (auto& item : items) AEDisposeDesc(&item.desc);
  for (auto& item : attributes) AEDisposeDesc(&item.desc);
}

namespace ae {

AEDesc MakeData(DescType type, const void* data, std::size_t size) {
  if (type == typeNull) return AEDesc{};
  auto* storage = new OpaqueAEDataStorageType;
  const auto* bytes = static_cast<const UInt8*>(data);
  if (size > 0) storage->bytes.assign(bytes, bytes + size);
  return AEDesc{type, storage};
}

AEDesc MakeContainer(DescType type, Kind kind) {
  auto* storage = new OpaqueAEDataStorageType;
  storage->kind = kind;
  return AEDesc{type, storage};
}

static void CopyItems(const std::vector<AEItem>& from, std::vector<AEItem>& to) {
  to.reserve(from.size());
  for (const auto& item : from) to.push_back(AEItem{item.keyword, Duplicate(item.desc)});
}

AEDesc Duplicate(const AEDesc& desc) {
  if (!desc.dataHandle) return AEDesc{desc.descriptorType, nullptr};
  const auto& from = *desc.dataHandle;
  if (from.kind == Kind::Data)
    return MakeData(desc.descriptorType, from.bytes.data(), from.bytes.size());
  AEDesc copy = MakeContainer(desc.descriptorType, from.kind);
  CopyItems(from.items, copy.dataHandle->items);
  CopyItems(from.attributes, copy.dataHandle->attributes);
  return copy;
}

AEItem* FindKey(std::vector<AEItem>& items, AEKeyword keyword) {
  auto it = std::find_if(items.begin(), items.end(),
                         [&](const AEItem& i) { return i.keyword == keyword; });
  return it == items.end() ? nullptr : &*it;
}

const AEItem* FindKey(const std::vector<AEItem>& items, AEKeyword keyword) {
  auto it = std::find_if(items.begin(), items.end(),
                         [&](const AEItem& i) { return i.keyword == keyword; });
  return it == items.end() ? nullptr : &*it;
}

void PutKeyed(std::vector<AEItem>& items, AEKeyword keyword, const AEDesc& desc) {
  AEDesc copy = Duplicate(desc);
  if (AEItem* existing = FindKey(items, keyword)) {
    AEDisposeDesc(&existing->desc);
    existing->desc = copy;
  } else {
    items.push_back(AEItem{keyword, copy});
  }
}

OSErr ReadPtr(const AEDesc& desc, DescType desiredType, DescType* typeCode, void* dataPtr,
              Size maximumSize, Size* actualSize) {
  if (maximumSize < 0 || (maximumSize > 0 && !dataPtr)) return paramErr;
  if (IsContainer(&desc)) return errAEWrongDataType;
  AEDesc coerced;
  if (OSErr e = AECoerceDesc(&desc, desiredType, &coerced); e != noErr) return e;
  if (IsContainer(&coerced)) {
    AEDisposeDesc(&coerced);
    return errAEWrongDataType;
  }
  Size size = AEGetDescDataSize(&coerced);
  if (dataPtr && size > 0)
    std::memcpy(dataPtr, coerced.dataHandle->bytes.data(),
                static_cast<std::size_t>(std::min(size, maximumSize)));
  if (typeCode) *typeCode = coerced.descriptorType;
  if (actualSize) *actualSize = size;
  AEDisposeDesc(&coerced);
  return noErr;
}

}  // namespace ae

using ae::Kind;

void AEInitializeDesc(AEDesc* desc) {
  if (desc) *desc = AEDesc{};
}

OSErr AECreateDesc(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* result) {
  if (!result || dataSize < 0 || (dataSize > 0 && !dataPtr)) return paramErr;
  *result = ae::MakeData(typeCode, dataPtr, static_cast<std::size_t>(dataSize));
  return noErr;
}

OSErr AEDisposeDesc(AEDesc* theAEDesc) {
  if (!theAEDesc) return paramErr;
  delete theAEDesc->dataHandle;
  *theAEDesc = AEDesc{};
  return noErr;
}

OSErr AEDuplicateDesc(const AEDesc* theAEDesc, AEDesc* result) {
  if (!theAEDesc || !result) return paramErr;
  *result = ae::Duplicate(*theAEDesc);
  return noErr;
}

Size AEGetDescDataSize(const AEDesc* theAEDesc) {
  if (!theAEDesc || !theAEDesc->dataHandle || ae::IsContainer(theAEDesc)) return 0;
  return static_cast<Size>(theAEDesc->dataHandle->bytes.size());
}

OSErr AEGetDescData(const AEDesc* theAEDesc, void* dataPtr, Size maximumSize) {
  if (!theAEDesc || maximumSize < 0 || (maximumSize > 0 && !dataPtr)) return paramErr;
  if (ae::IsContainer(theAEDesc)) return errAEWrongDataType;
  Size n = std::min(AEGetDescDataSize(theAEDesc), maximumSize);
  if (n > 0) std::memcpy(dataPtr, theAEDesc->dataHandle->bytes.data(), static_cast<std::size_t>(n));
  return noErr;
}

OSErr AEReplaceDescData(DescType typeCode, const void* dataPtr, Size dataSize, AEDesc* theAEDesc) {
  if (!theAEDesc || dataSize < 0 || (dataSize > 0 && !dataPtr)) return paramErr;
  AEDesc fresh = ae::MakeData(typeCode, dataPtr, static_cast<std::size_t>(dataSize));
  AEDisposeDesc(theAEDesc);
  *theAEDesc = fresh;
  return noErr;
}

// ------------------------------------------------------------------- lists

OSErr AECreateList(const void* factoringPtr, Size factoredSize, Boolean isRecord,
                   AEDescList* resultList) {
  if (!resultList || factoringPtr || factoredSize != 0) return paramErr;
  *resultList = isRecord ? ae::MakeContainer(typeAERecord, Kind::Record)
                         : ae::MakeContainer(typeAEList, Kind::List);
  return noErr;
}

OSErr AECountItems(const AEDescList* theAEDescList, long* theCount) {
  if (!theAEDescList || !theCount) return paramErr;
  if (!ae::IsContainer(theAEDescList)) return errAEWrongDataType;
  *theCount = static_cast<long>(theAEDescList->dataHandle->items.size());
  return noErr;
}

OSErr AEPutDesc(AEDescList* theAEDescList, long index, const AEDesc* theAEDesc) {
  if (!theAEDescList || !theAEDesc || index < 0) return paramErr;
  if (!theAEDescList->dataHandle || theAEDescList->dataHandle->kind != Kind::List)
    return errAEWrongDataType;
  auto& items = theAEDescList->dataHandle->items;
  long count = static_cast<long>(items.size());
  if (index > count + 1) return errAEIllegalIndex;
  AEDesc copy = ae::Duplicate(*theAEDesc);
  if (index == 0 || index == count + 1) {
    items.push_back(AEItem{0, copy});
  } else {
    AEDisposeDesc(&items[static_cast<std::size_t>(index - 1)].desc);
    items[static_cast<std::size_t>(index - 1)].desc = copy;
  }
  return noErr;
}

OSErr AEPutPtr(AEDescList* theAEDescList, long index, DescType typeCode, const void* dataPtr,
               Size dataSize) {
  if (dataSize < 0 || (dataSize > 0 && !dataPtr)) return paramErr;
  AEDesc item = ae::MakeData(typeCode, dataPtr, static_cast<std::size_t>(dataSize));
  OSErr e = AEPutDesc(theAEDescList, index, &item);
  AEDisposeDesc(&item);
  return e;
}

static OSErr NthItem(const AEDescList* list, long index, const AEItem** out) {
  if (!list) return paramErr;
  if (!ae::IsContainer(list)) return errAEWrongDataType;
  const auto& items = list->dataHandle->items;
  if (index < 1 || index > static_cast<long>(items.size())) return errAEIllegalIndex;
  *out = &items[static_cast<std::size_t>(index - 1)];
  return noErr;
}

OSErr AEGetNthPtr(const AEDescList* theAEDescList, long index, DescType desiredType,
                  AEKeyword* theAEKeyword, DescType* typeCode, void* dataPtr, Size maximumSize,
                  Size* actualSize) {
  const AEItem* item = nullptr;
  if (OSErr e = NthItem(theAEDescList, index, &item); e != noErr) return e;
  OSErr e = ae::ReadPtr(item->desc, desiredType, typeCode, dataPtr, maximumSize, actualSize);
  if (e == noErr && theAEKeyword) *theAEKeyword = item->keyword;
  return e;
}

OSErr AEGetNthDesc(const AEDescList* theAEDescList, long index, DescType desiredType,
                   AEKeyword* theAEKeyword, AEDesc* result) {
  if (!result) return paramErr;
  const AEItem* item = nullptr;
  if (OSErr e = NthItem(theAEDescList, index, &item); e != noErr) return e;
  OSErr e = AECoerceDesc(&item->desc, desiredType, result);
  if (e == noErr && theAEKeyword) *theAEKeyword = item->keyword;
  return e;
}

OSErr AEDeleteItem(AEDescList* theAEDescList, long index) {
  const AEItem* item = nullptr;
  if (OSErr e = NthItem(theAEDescList, index, &item); e != noErr) return e;
  auto& items = theAEDescList->dataHandle->items;
  auto it = items.begin() + (index - 1);
  AEDisposeDesc(&it->desc);
  items.erase(it);
  return noErr;
}

// ----------------------------------------------------------------- records

OSErr AEPutKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword, const AEDesc* theAEDesc) {
  if (!theAERecord || !theAEDesc) return paramErr;
  if (!ae::IsKeyed(theAERecord)) return errAEWrongDataType;
  ae::PutKeyed(theAERecord->dataHandle->items, theAEKeyword, *theAEDesc);
  return noErr;
}

OSErr AEPutKeyPtr(AERecord* theAERecord, AEKeyword theAEKeyword, DescType typeCode,
                  const void* dataPtr, Size dataSize) {
  if (dataSize < 0 || (dataSize > 0 && !dataPtr)) return paramErr;
  AEDesc item = ae::MakeData(typeCode, dataPtr, static_cast<std::size_t>(dataSize));
  OSErr e = AEPutKeyDesc(theAERecord, theAEKeyword, &item);
  AEDisposeDesc(&item);
  return e;
}

static OSErr KeyedItem(const AERecord* record, AEKeyword keyword, const AEItem** out) {
  if (!record) return paramErr;
  if (!ae::IsKeyed(record)) return errAEWrongDataType;
  *out = ae::FindKey(record->dataHandle->items, keyword);
  return *out ? noErr : errAEDescNotFound;
}

OSErr AEGetKeyPtr(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType,
                  DescType* typeCode, void* dataPtr, Size maximumSize, Size* actualSize) {
  const AEItem* item = nullptr;
  if (OSErr e = KeyedItem(theAERecord, theAEKeyword, &item); e != noErr) return e;
  return ae::ReadPtr(item->desc, desiredType, typeCode, dataPtr, maximumSize, actualSize);
}

OSErr AEGetKeyDesc(const AERecord* theAERecord, AEKeyword theAEKeyword, DescType desiredType,
                   AEDesc* result) {
  if (!result) return paramErr;
  const AEItem* item = nullptr;
  if (OSErr e = KeyedItem(theAERecord, theAEKeyword, &item); e != noErr) return e;
  return AECoerceDesc(&item->desc, desiredType, result);
}

OSErr AEDeleteKeyDesc(AERecord* theAERecord, AEKeyword theAEKeyword) {
  const AEItem* item = nullptr;
  if (OSErr e = KeyedItem(theAERecord, theAEKeyword, &item); e != noErr) return e;
  auto& items = theAERecord->dataHandle->items;
  auto it = items.begin() + (item - items.data());
  AEDisposeDesc(&it->desc);
  items.erase(it);
  return noErr;
}
