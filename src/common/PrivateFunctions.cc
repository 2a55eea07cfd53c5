// Binding the private functions by bundle identifier and name.
#include "common/PrivateFunctions.h"

#include "platform/bundles/Bundle.h"

CGSetLocalEventsFilterDuringSuppressionStateProc gCGSetLocalEventsFilterDuringSuppressionState =
    nullptr;
CoreDockIsDockRunningProc gCoreDockIsDockRunning = nullptr;
CoreDockGetAutoHideEnabledProc gCoreDockGetAutoHideEnabled = nullptr;
CGSDefaultConnectionProc g_CGSDefaultConnection = nullptr;
CGSSetBackgroundEventMaskProc gCGSSetBackgroundEventMask = nullptr;
CGSSetEventCaptureProc gCGSSetEventCapture = nullptr;
GetNativeWindowFromWindowRefProc gGetNativeWindowFromWindowRef = nullptr;
CGSSetWindowTagsProc gCGSSetWindowTags = nullptr;

namespace {

// The function pointer the bundle exports under name, as the type of the
// global it is bound to; null when the name is not found.
template <class Proc>
void Bind(Proc* global, CFBundleRef bundle, const char* name) {
  *global = reinterpret_cast<Proc>(CFBundleGetFunctionPointerForName(bundle, CFSTR(name)));
}

}  // namespace

void LoadAPIAddresses(bool all) {
  // 1.
  CFBundleRef coreGraphics = CFBundleGetBundleWithIdentifier(CFSTR(kCoreGraphicsBundleID));
  if (coreGraphics) {
    Bind(&gCGSetLocalEventsFilterDuringSuppressionState, coreGraphics, kSuppressionStateName);
    if (!gCGSetLocalEventsFilterDuringSuppressionState)
      Bind(&gCGSetLocalEventsFilterDuringSuppressionState, coreGraphics,
           kSuppressionStateMisspelledName);
  }
  // 2.
  if (!all) return;
  CFBundleRef carbon = CFBundleGetBundleWithIdentifier(CFSTR(kCarbonBundleID));
  if (!carbon) return;
  // 3.
  Bind(&gCoreDockIsDockRunning, carbon, kCoreDockIsDockRunningName);
  Bind(&gCoreDockGetAutoHideEnabled, carbon, kCoreDockGetAutoHideEnabledName);
  Bind(&g_CGSDefaultConnection, carbon, kCGSDefaultConnectionName);
  Bind(&gCGSSetBackgroundEventMask, carbon, kCGSSetBackgroundEventMaskName);
  Bind(&gCGSSetEventCapture, carbon, kCGSSetEventCaptureName);
  Bind(&gGetNativeWindowFromWindowRef, carbon, kGetNativeWindowFromWindowRefName);
  Bind(&gCGSSetWindowTags, carbon, kCGSSetWindowTagsName);
}

void ForgetAPIAddressesForTesting() {
  gCGSetLocalEventsFilterDuringSuppressionState = nullptr;
  gCoreDockIsDockRunning = nullptr;
  gCoreDockGetAutoHideEnabled = nullptr;
  g_CGSDefaultConnection = nullptr;
  gCGSSetBackgroundEventMask = nullptr;
  gCGSSetEventCapture = nullptr;
  gGetNativeWindowFromWindowRef = nullptr;
  gCGSSetWindowTags = nullptr;
}
