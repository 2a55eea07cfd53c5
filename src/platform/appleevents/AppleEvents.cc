// Apple events: creation, parameters and attributes, sending through the
// host, and the table of handlers for the events this process receives.
#include <vector>

#include "platform/appleevents/AEStorage.h"
#include "platform/appleevents/HostAppleEvents.h"
#include "platform/host/Host.h"
#include "platform/host/Transcript.h"

namespace {

AEReturnID gNextReturnID = 1;

AEReturnID NextReturnID() {
  AEReturnID id = gNextReturnID;
  // Wrap within the positive range: -1 means "generate one" and 0 is never
  // handed out, so a reply can always be matched to its event.
  gNextReturnID = gNextReturnID == 0x7FFF ? 1 : static_cast<AEReturnID>(gNextReturnID + 1);
  return id;
}

void PutAttribute(AppleEvent& event, AEKeyword key, DescType type, const void* data,
                  std::size_t size) {
  AEDesc d = ae::MakeData(type, data, size);
  ae::PutKeyed(event.dataHandle->attributes, key, d);
  AEDisposeDesc(&d);
}

bool IsAddressType(DescType t) {
  return t == typeProcessSerialNumber || t == typeApplSignature || t == typeApplicationBundleID ||
         t == typeKernelProcessID;
}

struct HandlerEntry {
  AEEventClass eventClass;
  AEEventID eventID;
  AEEventHandlerUPP handler;
  SRefCon refcon;
};

std::vector<HandlerEntry>& Handlers() {
  static std::vector<HandlerEntry> handlers;
  return handlers;
}

HandlerEntry* FindExact(AEEventClass c, AEEventID id) {
  for (auto& h : Handlers())
    if (h.eventClass == c && h.eventID == id) return &h;
  return nullptr;
}

// The handler for an arriving event: the exact pair first, then the
// wildcard pairs from the most to the least specific.
const HandlerEntry* FindForEvent(AEEventClass c, AEEventID id) {
  if (auto* h = FindExact(c, id)) return h;
  if (auto* h = FindExact(c, typeWildCard)) return h;
  if (auto* h = FindExact(typeWildCard, id)) return h;
  return FindExact(typeWildCard, typeWildCard);
}

}  // namespace

OSErr AECreateAppleEvent(AEEventClass theAEEventClass, AEEventID theAEEventID,
                         const AEAddressDesc* target, AEReturnID returnID,
                         AETransactionID transactionID, AppleEvent* result) {
  if (!result) return paramErr;
  AppleEvent event = ae::MakeContainer(typeAppleEvent, ae::Kind::Event);
  PutAttribute(event, keyEventClassAttr, typeType, &theAEEventClass, 4);
  PutAttribute(event, keyEventIDAttr, typeType, &theAEEventID, 4);
  if (target && target->descriptorType != typeNull)
    ae::PutKeyed(event.dataHandle->attributes, keyAddressAttr, *target);
  if (returnID == kAutoGenerateReturnID) returnID = NextReturnID();
  PutAttribute(event, keyReturnIDAttr, typeSInt16, &returnID, sizeof returnID);
  PutAttribute(event, keyTransactionIDAttr, typeSInt32, &transactionID, sizeof transactionID);
  *result = event;
  return noErr;
}

// Parameters are the event's keyed items: the record calls serve both.
OSErr AEPutParamPtr(AppleEvent* theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                    const void* dataPtr, Size dataSize) {
  return AEPutKeyPtr(theAppleEvent, theAEKeyword, typeCode, dataPtr, dataSize);
}

OSErr AEPutParamDesc(AppleEvent* theAppleEvent, AEKeyword theAEKeyword, const AEDesc* theAEDesc) {
  return AEPutKeyDesc(theAppleEvent, theAEKeyword, theAEDesc);
}

OSErr AEGetParamPtr(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword, DescType desiredType,
                    DescType* actualType, void* dataPtr, Size maximumSize, Size* actualSize) {
  return AEGetKeyPtr(theAppleEvent, theAEKeyword, desiredType, actualType, dataPtr, maximumSize,
                     actualSize);
}

OSErr AEGetParamDesc(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword, DescType desiredType,
                     AEDesc* result) {
  return AEGetKeyDesc(theAppleEvent, theAEKeyword, desiredType, result);
}

OSErr AEDeleteParam(AppleEvent* theAppleEvent, AEKeyword theAEKeyword) {
  return AEDeleteKeyDesc(theAppleEvent, theAEKeyword);
}

OSErr AEPutAttributeDesc(AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                         const AEDesc* theAEDesc) {
  if (!theAppleEvent || !theAEDesc) return paramErr;
  if (!ae::IsEvent(theAppleEvent)) return errAENotAppleEvent;
  ae::PutKeyed(theAppleEvent->dataHandle->attributes, theAEKeyword, *theAEDesc);
  return noErr;
}

OSErr AEPutAttributePtr(AppleEvent* theAppleEvent, AEKeyword theAEKeyword, DescType typeCode,
                        const void* dataPtr, Size dataSize) {
  if (dataSize < 0 || (dataSize > 0 && !dataPtr)) return paramErr;
  AEDesc d = ae::MakeData(typeCode, dataPtr, static_cast<std::size_t>(dataSize));
  OSErr e = AEPutAttributeDesc(theAppleEvent, theAEKeyword, &d);
  AEDisposeDesc(&d);
  return e;
}

static OSErr FindAttribute(const AppleEvent* event, AEKeyword key, const AEItem** out) {
  if (!event) return paramErr;
  if (!ae::IsEvent(event)) return errAENotAppleEvent;
  *out = ae::FindKey(event->dataHandle->attributes, key);
  return *out ? noErr : errAEDescNotFound;
}

OSErr AEGetAttributePtr(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                        DescType desiredType, DescType* typeCode, void* dataPtr, Size maximumSize,
                        Size* actualSize) {
  const AEItem* item = nullptr;
  if (OSErr e = FindAttribute(theAppleEvent, theAEKeyword, &item); e != noErr) return e;
  return ae::ReadPtr(item->desc, desiredType, typeCode, dataPtr, maximumSize, actualSize);
}

OSErr AEGetAttributeDesc(const AppleEvent* theAppleEvent, AEKeyword theAEKeyword,
                         DescType desiredType, AEDesc* result) {
  if (!result) return paramErr;
  const AEItem* item = nullptr;
  if (OSErr e = FindAttribute(theAppleEvent, theAEKeyword, &item); e != noErr) return e;
  return AECoerceDesc(&item->desc, desiredType, result);
}

// ------------------------------------------------------------------ sending

OSErr AESend(const AppleEvent* theAppleEvent, AppleEvent* reply, AESendMode sendMode,
             AESendPriority, SInt32, AEIdleUPP, AEFilterUPP) {
  if (!theAppleEvent) return paramErr;
  if (!ae::IsEvent(theAppleEvent)) return errAENotAppleEvent;
  const AESendMode replyMode = sendMode & kAEReplyModeMask;
  if (replyMode == 0) return errAEUnknownSendMode;
  const AEItem* address = ae::FindKey(theAppleEvent->dataHandle->attributes, keyAddressAttr);
  if (!address || !IsAddressType(address->desc.descriptorType)) return errAEUnknownAddressType;
  if (reply) *reply = AEDesc{};
  auto* receivers = CurrentHost().appleEvents;
  if (!receivers) return procNotFound;

  AppleEvent answer;
  const bool wait = replyMode == kAEWaitReply && reply;
  if (wait) {
    AEReturnID rid = 0;
    Size size = 0;
    (void)AEGetAttributePtr(theAppleEvent, keyReturnIDAttr, typeSInt16, nullptr, &rid, sizeof rid,
                            &size);
    (void)AECreateAppleEvent(kCoreEventClass, kAEAnswer, nullptr, rid, kAnyTransactionID, &answer);
  }
  OSErr e = receivers->Deliver(*theAppleEvent, wait ? &answer : nullptr, sendMode);
  if (e != noErr) {
    AEDisposeDesc(&answer);
    return e;
  }
  if (wait) *reply = answer;
  return noErr;
}

// ---------------------------------------------------------------- receiving

OSErr AEInstallEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                            AEEventHandlerUPP handler, SRefCon handlerRefcon, Boolean) {
  if (!handler) return paramErr;
  if (auto* existing = FindExact(theAEEventClass, theAEEventID)) {
    existing->handler = handler;
    existing->refcon = handlerRefcon;
  } else {
    Handlers().push_back({theAEEventClass, theAEEventID, handler, handlerRefcon});
  }
  Transcribe(Fmt("apple event handler installed: '%s'/'%s'", FourCCString(theAEEventClass).c_str(),
                 FourCCString(theAEEventID).c_str()));
  return noErr;
}

OSErr AERemoveEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                           AEEventHandlerUPP handler, Boolean) {
  auto& handlers = Handlers();
  for (auto it = handlers.begin(); it != handlers.end(); ++it) {
    if (it->eventClass == theAEEventClass && it->eventID == theAEEventID) {
      if (handler && it->handler != handler) return errAEHandlerNotFound;
      handlers.erase(it);
      return noErr;
    }
  }
  return errAEHandlerNotFound;
}

OSErr AEGetEventHandler(AEEventClass theAEEventClass, AEEventID theAEEventID,
                        AEEventHandlerUPP* handler, SRefCon* handlerRefcon, Boolean) {
  const HandlerEntry* h = FindExact(theAEEventClass, theAEEventID);
  if (!h) return errAEHandlerNotFound;
  if (handler) *handler = h->handler;
  if (handlerRefcon) *handlerRefcon = h->refcon;
  return noErr;
}

OSErr AEDispatchReceivedEvent(const AppleEvent& theAppleEvent, AppleEvent* reply) {
  if (!ae::IsEvent(&theAppleEvent)) return errAENotAppleEvent;
  AEEventClass eventClass = 0;
  AEEventID eventID = 0;
  Size size = 0;
  if (AEGetAttributePtr(&theAppleEvent, keyEventClassAttr, typeType, nullptr, &eventClass, 4,
                        &size) != noErr ||
      AEGetAttributePtr(&theAppleEvent, keyEventIDAttr, typeType, nullptr, &eventID, 4, &size) !=
          noErr)
    return errAENotAppleEvent;

  // Copied out: the handler may install or remove handlers while it runs.
  const HandlerEntry* found = FindForEvent(eventClass, eventID);
  OSErr result = errAEEventNotHandled;
  if (found) {
    HandlerEntry entry = *found;
    result = entry.handler(&theAppleEvent, reply, entry.refcon);
  }
  if (result != noErr && reply && ae::IsEvent(reply) &&
      !ae::FindKey(reply->dataHandle->items, keyErrorNumber)) {
    SInt32 number = result;
    (void)AEPutParamPtr(reply, keyErrorNumber, typeSInt32, &number, sizeof number);
  }
  return result;
}
