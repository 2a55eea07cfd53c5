// Screens: the QuickDraw graphics devices and the Display Manager.
//
// Each screen the host reports (platform/host/HostScreens.h) has a device
// record here. A GDHandle stays valid for the life of the process and keeps
// naming the same screen across configuration changes; when its screen goes
// away the record stays, without the screenDevice and screenActive
// attributes and outside every walk. Records are refreshed from the host on
// every call below, so they always answer the configuration of the moment.
#pragma once

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"

struct GDevice;
using GDPtr = GDevice*;
using GDHandle = GDevice**;

struct GDevice {
  SInt16 gdRefNum = 0;
  SInt16 gdID = 0;
  SInt16 gdType = 2;   // direct colour
  UInt16 gdFlags = 0;  // attribute bits, see TestDeviceAttribute
  Rect gdRect;         // global bounds
  GDHandle gdNextGD = nullptr;
  UInt32 hostScreenID = 0;  // ours: the host's name for the screen
};

// Attribute bit numbers in gdFlags.
enum : SInt16 {
  gdDevType = 0,
  ramInit = 10,
  mainScreen = 11,
  allInit = 12,
  screenDevice = 13,
  noDriver = 14,
  screenActive = 15,
};

// The screen with the menu bar; null when there is none (or no host).
GDHandle GetMainDevice();
// Every connected screen, active or not, in the host's order.
GDHandle GetDeviceList();
GDHandle GetNextDevice(GDHandle curDevice);
// Whether bit attribute of the device's flags is set; false for null.
Boolean TestDeviceAttribute(GDHandle gdh, SInt16 attribute);

// The Display Manager walk over screen devices in the host's order; with
// activeOnly only active screens. Null at the end, for a device that is gone
// and without a host.
GDHandle DMGetFirstScreenDevice(Boolean activeOnly);
GDHandle DMGetNextScreenDevice(GDHandle theDevice, Boolean activeOnly);

// Display Manager notifications.
enum : SInt16 {
  kDMNotifyInstalled = 1,
  kDMNotifyEvent = 2,  // the configuration changed
  kDMNotifyRemoved = 3,
  kDMNotifyPrep = 4,  // it is about to change
  kDMNotifyExtendEvent = 5,
  kDMNotifyDependents = 6,
  kDMNotifySuspendConfigure = 7,
  kDMNotifyResumeConfigure = 8,
};

using DMExtendedNotificationProcPtr = void (*)(void* userData, SInt16 theMessage, void* notifyData);
using DMExtendedNotificationUPP = DMExtendedNotificationProcPtr;
inline DMExtendedNotificationUPP NewDMExtendedNotificationUPP(DMExtendedNotificationProcPtr p) {
  return p;
}

// Calls proc(userData, message, null) for every notification from now on.
// whichPSN may be null (this process); flags are kept but change nothing.
// Registering the same proc and userData again changes nothing. Returns
// noErr or paramErr (proc null).
OSErr DMRegisterExtendedNotifyProc(DMExtendedNotificationUPP notifyProc, void* notifyUserData,
                                   UInt16 notifyOnFlags, ProcessSerialNumber* whichPSN);
// Stops the notifications of proc with userData. Returns noErr or paramErr
// (not registered).
OSErr DMRemoveExtendedNotifyProc(DMExtendedNotificationUPP notifyProc, void* notifyUserData,
                                 ProcessSerialNumber* whichPSN, UInt16 removeFlags);

// Ours, called by hosts: delivers message to every registered procedure, in
// registration order. Procedures may register or remove procedures while
// being called; those changes apply from the next notification.
void DeliverDisplayNotification(SInt16 message);
