// Notification centres: the distributed centre, through which the system
// announces menu tracking to every program, and a local one.
//
// Posting delivers synchronously, in the order the observers were added, to
// every observer whose name matches (a null name observes every
// notification) and whose object matches (null: any). Adding or removing
// observers and posting again from inside a callback are safe: a posting
// reaches the observers present when it began, minus those removed since.
// A host delivers a notification from another program by posting it here.
#pragma once

#include "platform/corefoundation/CoreFoundation.h"

struct __CFNotificationCenter;
using CFNotificationCenterRef = __CFNotificationCenter*;
using CFNotificationName = CFStringRef;

using CFNotificationCallback = void (*)(CFNotificationCenterRef center, void* observer,
                                        CFNotificationName name, const void* object,
                                        CFDictionaryRef userInfo);

// This process is never suspended, so every behaviour delivers at once.
enum CFNotificationSuspensionBehavior : CFIndex {
  CFNotificationSuspensionBehaviorDrop = 1,
  CFNotificationSuspensionBehaviorCoalesce = 2,
  CFNotificationSuspensionBehaviorHold = 3,
  CFNotificationSuspensionBehaviorDeliverImmediately = 4,
};
inline constexpr CFNotificationSuspensionBehavior kCFNotificationSuspensionBehaviorDrop =
    CFNotificationSuspensionBehaviorDrop;
inline constexpr CFNotificationSuspensionBehavior kCFNotificationSuspensionBehaviorCoalesce =
    CFNotificationSuspensionBehaviorCoalesce;
inline constexpr CFNotificationSuspensionBehavior kCFNotificationSuspensionBehaviorHold =
    CFNotificationSuspensionBehaviorHold;
inline constexpr CFNotificationSuspensionBehavior
    kCFNotificationSuspensionBehaviorDeliverImmediately =
        CFNotificationSuspensionBehaviorDeliverImmediately;

CFNotificationCenterRef CFNotificationCenterGetDistributedCenter();
CFNotificationCenterRef CFNotificationCenterGetLocalCenter();

// Adds an observation (the name and object are retained on the distributed
// centre, whose objects are CoreFoundation values compared with CFEqual; the
// local centre compares objects by identity). Transcribed as
// "observer added: <name>" ("(all)" for a null name). Null center or
// callBack: nothing happens.
void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callBack, CFStringRef name,
                                     const void* object,
                                     CFNotificationSuspensionBehavior suspensionBehavior);
// Removes observer's observations of name (null: every name) and object
// (null: every object).
void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer,
                                        CFNotificationName name, const void* object);
void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer);
// Delivers the notification now (deliverImmediately changes nothing here).
// Transcribed as "notification posted: <name>". A null name posts nothing.
void CFNotificationCenterPostNotification(CFNotificationCenterRef center, CFNotificationName name,
                                          const void* object, CFDictionaryRef userInfo,
                                          Boolean deliverImmediately);
