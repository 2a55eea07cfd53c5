#include "actions/FinderEvents.h"

#include <vector>

#include "actions/Alert.h"
#include "platform/appleevents/AppleEvents.h"
#include "platform/core/Handles.h"
#include "platform/files/Aliases.h"
#include "platform/files/FilesCatalog.h"
#include "shell/FrontProcess.h"

namespace {

constexpr OSType kAliasClass = 'alia';

// A process record prepared as FindProcessBySignature's callers do.
ProcessInfoRec EmptyProcessInfo() {
  ProcessInfoRec info;
  info.processInfoLength = kProcessInfoRecLength;
  info.processName = nullptr;
  info.processAppSpec = nullptr;
  return info;
}

OSStatus FindReceiver(OSType type, OSType creator, ProcessSerialNumber* psn) {
  ProcessInfoRec info = EmptyProcessInfo();
  return FindProcessBySignature(type, creator, psn, &info);
}

OSStatus SendWithoutReply(const AppleEvent* event, AESendMode mode) {
  return AESend(event, nullptr, mode, kAENormalPriority, kAEDefaultTimeout, nullptr, nullptr);
}

// Puts a minimal alias of ref into the event under key, or appends it to a
// list (key 0). The alias handle is disposed of once copied in.
OSStatus PutAlias(AEDesc* target, AEKeyword key, const FSRef* ref) {
  AliasHandle alias = nullptr;
  OSStatus status = FSNewAliasMinimal(ref, &alias);
  if (status != noErr) return status;
  HLock(alias);
  status = key != 0 ? AEPutParamPtr(target, key, typeAlias, *alias, GetHandleSize(alias))
                    : AEPutPtr(target, 0, typeAlias, *alias, GetHandleSize(alias));
  HUnlock(alias);
  DisposeHandle(alias);
  return status;
}

// The item in folder that has the same name as item, if any.
bool FindSameName(const FSRef* item, const FSRef* folder, FSRef* existing) {
  FSCatalogInfo info;
  HFSUniStr255 name;
  if (FSGetCatalogInfo(item, kFSCatInfoTextEncoding, &info, &name, nullptr, nullptr) != noErr)
    return false;
  return FSMakeFSRefUnicode(folder, name.length, name.unicode, info.textEncodingHint, existing) ==
         noErr;
}

bool Contains(const std::vector<FSRef>& refs, const FSRef& ref) {
  for (const FSRef& r : refs)
    if (FSCompareFSRefs(&r, &ref) == noErr) return true;
  return false;
}

// The duplicate-name alert's texts, English keys of the localized strings.
constexpr const char* kReplaceText = "Replace";
constexpr const char* kStopText = "Stop";
constexpr const char* kMoveCopyAlertText = "Move/Copy Alert";
constexpr const char* kMoveCopyExplanation =
    "One or more files with the same names as what you dragged exist in the destination folder. "
    "Would you like to move the duplicate items to the trash before proceeding?";

enum : SInt16 { kReplaceHit = 1, kStopHit = 2 };

}  // namespace

OSStatus SendAliasEvent(OSType type, OSType creator, bool bringToFront, const FSRef* item,
                        OSType eventClass, OSType eventID) {
  ProcessSerialNumber receiver;
  OSStatus status = FindReceiver(type, creator, &receiver);
  if (status != noErr) return status;

  AEAddressDesc address;
  status = AECreateDesc(typeProcessSerialNumber, &receiver, sizeof receiver, &address);
  if (status != noErr) return status;
  AppleEvent event;
  status = AECreateAppleEvent(eventClass, eventID, &address, kAutoGenerateReturnID,
                              kAnyTransactionID, &event);
  AEDisposeDesc(&address);
  if (status != noErr) return status;

  const OSType aliasClass = kAliasClass;
  (void)AEPutParamPtr(&event, keyAEObjectClass, typeType, &aliasClass, sizeof aliasClass);
  // Without an alias the receiver still gets the event and shows what it
  // can; the send's status is what the caller learns.
  (void)PutAlias(&event, keyDirectObject, item);

  status = SendWithoutReply(&event, kInteractiveSendMode);
  if (bringToFront && status == noErr)
    (void)SetFrontProcessWithOptions(&receiver, kSetFrontProcessFrontWindowOnly);
  AEDisposeDesc(&event);
  return status;
}

OSStatus ShowInfoWindow(const FSRef* item) {
  if (IsAltBrowserRunning())
    return SendAliasEvent(kAltBrowserType, kAltBrowserCreator, true, item, kAltBrowserEventClass,
                          kAltBrowserInfo);

  // The Finder names the item by its HFS path, as UTF-16 in host order.
  CFRef<CFURLRef> url = CFURLCreateFromFSRef(nullptr, item);
  CFRef<CFStringRef> path = url ? CFURLCopyFileSystemPath(url.get(), kCFURLHFSPathStyle) : nullptr;
  if (!path) return memFullErr;
  const CFIndex length = CFStringGetLength(path.get());
  Handle characters = NewHandle(static_cast<Size>(length) * 2);
  if (!characters) return memFullErr;
  HLock(characters);
  CFStringGetCharacters(path.get(), CFRange{0, length}, reinterpret_cast<UniChar*>(*characters));
  HUnlock(characters);

  const OSType finder = kFinderCreator;
  AppleEvent event;
  AEBuildError error;
  OSStatus status =
      AEBuildAppleEvent(kCoreEventClass, kAEOpenDocuments, typeApplSignature, &finder,
                        sizeof finder, kAutoGenerateReturnID, kAnyTransactionID, &event, &error,
                        "'----':obj {form:prop, want:type(prop), seld:type(iwnd), "
                        "from:obj {form:name, want:type(alis), seld:utxt(@@), from:'null'()}}",
                        characters);
  bool sent = false;
  if (status == noErr) {
    AppleEvent reply;
    AEInitializeDesc(&reply);
    status =
        AESend(&event, &reply, kAENoReply, kAENormalPriority, kAEDefaultTimeout, nullptr, nullptr);
    sent = status == noErr;
    AEDisposeDesc(&event);
  }
  DisposeHandle(characters);

  if (sent) {
    ProcessSerialNumber finderProcess;
    if (FindReceiver(kFinderType, kFinderCreator, &finderProcess) == noErr)
      (void)SetFrontProcessWithOptions(&finderProcess, kSetFrontProcessFrontWindowOnly);
  }
  return status;
}

OSStatus MoveOrCopyItems(std::span<const FSRef* const> items, const FSRef* destination, bool copy,
                         bool makeAliases) {
  ProcessSerialNumber receiver;
  OSStatus status = FindReceiver(kAltBrowserType, kAltBrowserCreator, &receiver);
  if (status != noErr) status = FindReceiver(kFinderType, kFinderCreator, &receiver);
  if (status != noErr) return status;

  AEDescList list;
  status = AECreateList(nullptr, 0, false, &list);
  if (status != noErr) return status;

  // Items already in the destination under a dragged item's name; a vector
  // frees itself on every path out.
  std::vector<FSRef> duplicates;
  ItemCount counted = 0;
  OSStatus itemStatus = noErr;
  for (const FSRef* item : items) {
    // An item without an alias is left out; the others still go.
    OSStatus aliasStatus = PutAlias(&list, 0, item);
    if (aliasStatus != noErr) {
      itemStatus = aliasStatus;
      continue;
    }
    ++counted;
    // Aliases get names of their own in the folder, so only moves and copies
    // can meet a duplicate. An item dropped onto its own folder finds itself,
    // which is no duplicate: trashing it would lose what is being moved. Two
    // dragged items of one name find the same existing item, trashed once.
    FSRef existing;
    if (!makeAliases && FindSameName(item, destination, &existing) &&
        FSCompareFSRefs(item, &existing) != noErr && !Contains(duplicates, existing))
      duplicates.push_back(existing);
  }
  if (counted == 0) {
    AEDisposeDesc(&list);
    return itemStatus;
  }

  AEAddressDesc address;
  status = AECreateDesc(typeProcessSerialNumber, &receiver, sizeof receiver, &address);
  if (status != noErr) {
    AEDisposeDesc(&list);
    return status;
  }
  AppleEvent event;
  const AEEventID eventID = makeAliases ? kAECreateElement : copy ? kAEClone : kAEMove;
  status = AECreateAppleEvent(kAECoreSuite, eventID, &address, kAutoGenerateReturnID,
                              kAnyTransactionID, &event);
  AEDisposeDesc(&address);
  if (status != noErr) {
    AEDisposeDesc(&list);
    return status;
  }
  if (makeAliases) {
    const OSType aliasClass = kAliasClass;
    (void)AEPutParamPtr(&event, keyAEObjectClass, typeType, &aliasClass, sizeof aliasClass);
  }
  (void)PutAlias(&event, keyAEInsertHere, destination);
  (void)AEPutParamDesc(&event, makeAliases ? keyAETo : keyDirectObject, &list);
  AEDisposeDesc(&list);

  if (!duplicates.empty()) {
    CFRef<CFStringRef> replace = CFStringFromUTF8(kReplaceText);
    CFRef<CFStringRef> stop = CFStringFromUTF8(kStopText);
    CFRef<CFStringRef> message = CFStringFromUTF8(kMoveCopyAlertText);
    CFRef<CFStringRef> explanation = CFStringFromUTF8(kMoveCopyExplanation);
    const SInt16 hit =
        RunAlert(replace.get(), stop.get(), nullptr, message.get(), explanation.get());
    if (hit == kStopHit) {
      AEDisposeDesc(&event);
      return noErr;
    }
    // The Finder is waited for, so that the duplicates are gone before the
    // browser moves the items in. No alert (0) proceeds without trashing.
    if (hit == kReplaceHit) (void)MoveFilesToFinderTrash(duplicates.data(), duplicates.size());
  }

  status = SendWithoutReply(&event, kInteractiveSendMode);
  AEDisposeDesc(&event);
  return status;
}

OSStatus QuitProcess(const ProcessSerialNumber* psn) {
  if (!psn) return paramErr;
  AEAddressDesc address;
  OSStatus status = AECreateDesc(typeProcessSerialNumber, psn, sizeof *psn, &address);
  if (status != noErr) return status;
  AppleEvent event;
  status = AECreateAppleEvent(kCoreEventClass, kAEQuitApplication, &address, kAutoGenerateReturnID,
                              kAnyTransactionID, &event);
  AEDisposeDesc(&address);
  if (status != noErr) return status;
  status = SendWithoutReply(&event, kAENoReply);
  AEDisposeDesc(&event);
  return status;
}
