// The private window-server and Dock functions, bound by name at run time.
//
// Each pointer starts null and stays null when its bundle or its name is not
// found; every caller tests the pointer it needs (and g_CGSDefaultConnection
// where it needs a connection) and skips the call otherwise. Both programs
// carry this table: the agent binds all of it, the drag-out helper only the
// suppression-state function.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/windows/Windows.h"

using CGError = SInt32;
using CGSConnectionID = SInt32;
using CGSWindowID = SInt32;
using CGEventFilterMask = UInt32;
using CGEventSuppressionState = UInt32;

using CGSetLocalEventsFilterDuringSuppressionStateProc = CGError (*)(CGEventFilterMask filter,
                                                                     CGEventSuppressionState state);
using CoreDockIsDockRunningProc = Boolean (*)();
using CoreDockGetAutoHideEnabledProc = Boolean (*)();
using CGSDefaultConnectionProc = CGSConnectionID (*)();
using CGSSetBackgroundEventMaskProc = CGError (*)(CGSConnectionID connection, SInt32 mask);
using CGSSetEventCaptureProc = CGError (*)(CGSConnectionID connection, SInt32 unused, UInt32 mask,
                                           SInt32 capture);
using GetNativeWindowFromWindowRefProc = CGSWindowID (*)(WindowRef window);
// tags points at tagSize bits of tag words (32: one word).
using CGSSetWindowTagsProc = CGError (*)(CGSConnectionID connection, CGSWindowID window,
                                         const UInt32* tags, SInt32 tagSize);

// The bundles the functions are looked up in, and their names.
inline constexpr const char* kCoreGraphicsBundleID = "com.apple.CoreGraphics";
inline constexpr const char* kCarbonBundleID = "com.apple.Carbon";
inline constexpr const char* kSuppressionStateName = "CGSetLocalEventsFilterDuringSuppressionState";
// The same function under the spelling some systems export it by.
inline constexpr const char* kSuppressionStateMisspelledName =
    "CGSetLocalEventsFilterDuringSupressionState";
inline constexpr const char* kCoreDockIsDockRunningName = "CoreDockIsDockRunning";
inline constexpr const char* kCoreDockGetAutoHideEnabledName = "CoreDockGetAutoHideEnabled";
inline constexpr const char* kCGSDefaultConnectionName = "_CGSDefaultConnection";
inline constexpr const char* kCGSSetBackgroundEventMaskName = "CGSSetBackgroundEventMask";
inline constexpr const char* kCGSSetEventCaptureName = "CGSSetEventCapture";
inline constexpr const char* kGetNativeWindowFromWindowRefName = "GetNativeWindowFromWindowRef";
inline constexpr const char* kCGSSetWindowTagsName = "CGSSetWindowTags";

extern CGSetLocalEventsFilterDuringSuppressionStateProc
    gCGSetLocalEventsFilterDuringSuppressionState;
extern CoreDockIsDockRunningProc gCoreDockIsDockRunning;
extern CoreDockGetAutoHideEnabledProc gCoreDockGetAutoHideEnabled;
extern CGSDefaultConnectionProc g_CGSDefaultConnection;
extern CGSSetBackgroundEventMaskProc gCGSSetBackgroundEventMask;
extern CGSSetEventCaptureProc gCGSSetEventCapture;
extern GetNativeWindowFromWindowRefProc gGetNativeWindowFromWindowRef;
extern CGSSetWindowTagsProc gCGSSetWindowTags;

// Binds the suppression-state function (under either spelling); with all,
// also the seven functions of the Carbon bundle, in the table's order. A
// name that is not found binds null; when a bundle is not found its
// pointers are not touched (null from the start).
void LoadAPIAddresses(bool all);

// Sets all eight pointers back to null (tests bind against several desktops
// in one process).
void ForgetAPIAddressesForTesting();
