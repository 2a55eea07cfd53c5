#include "common/FinderTrash.h"

#include "platform/appleevents/AppleEvents.h"
#include "platform/core/Handles.h"
#include "platform/files/Aliases.h"

namespace {

constexpr OSType kFinderSignature = 'MACS';

}  // namespace

OSStatus MoveFilesToFinderTrash(const FSRef* refs, ItemCount count) {
  AEAddressDesc address;
  AppleEvent event;
  AEDescList list;
  AEInitializeDesc(&address);
  AEInitializeDesc(&event);
  AEInitializeDesc(&list);

  // The Finder by signature: trashing always goes to it, never to the
  // alternative browser, so that the items land in the one Trash.
  const OSType signature = kFinderSignature;
  OSStatus status = AECreateDesc(typeApplSignature, &signature, sizeof signature, &address);
  if (status == noErr)
    status = AECreateAppleEvent(kAECoreSuite, kAEDelete, &address, kAutoGenerateReturnID,
                                kAnyTransactionID, &event);
  if (status == noErr) status = AECreateList(nullptr, 0, false, &list);

  // One alias per item, in order; a missing one would trash fewer items than
  // asked for, so it stops the operation before anything is sent.
  for (ItemCount i = 0; status == noErr && refs && i < count; ++i) {
    AliasHandle alias = nullptr;
    status = FSNewAliasMinimal(&refs[i], &alias);
    if (status != noErr) break;
    HLock(alias);
    status = AEPutPtr(&list, 0, typeAlias, *alias, GetHandleSize(alias));
    HUnlock(alias);
    DisposeHandle(alias);
  }

  if (status == noErr) status = AEPutParamDesc(&event, keyDirectObject, &list);
  if (status == noErr) {
    // Waits for the Finder, so that the caller's next step (moving items
    // into the folder these came from) finds them gone.
    AppleEvent reply;
    AEInitializeDesc(&reply);
    status = AESend(&event, &reply, kAEWaitReply, kAENormalPriority, kAEDefaultTimeout, nullptr,
                    nullptr);
    // A Finder that could not trash the items says so in its reply.
    SInt32 finderError = noErr;
    Size size = 0;
    if (status == noErr && AEGetParamPtr(&reply, keyErrorNumber, typeSInt32, nullptr, &finderError,
                                         sizeof finderError, &size) == noErr)
      status = finderError;
    AEDisposeDesc(&reply);
  }

  AEDisposeDesc(&list);
  AEDisposeDesc(&event);
  AEDisposeDesc(&address);
  return status;
}
