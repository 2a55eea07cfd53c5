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
  // The suppression-state function, under its misspelled name where the
  // correct one is not exported.
  CFBundleRef coreGraphics = CFBundleGetBundleWithIdentifier(CFSTR(kCoreGraphicsBundleID));
  if (coreGraphics) {
    Bind(&gCGSetLocalEventsFilterDuringSuppressionState, coreGraphics, kSuppressionStateName);
    if (!gCGSetLocalEventsFilterDuringSuppressionState)
      Bind(&gCGSetLocalEventsFilterDuringSuppressionState, coreGraphics,
           kSuppressionStateMisspelledName);
  }
  // The rest only when asked for all, from the Carbon bundle.
  if (!all) return;
  CFBundleRef carbon = CFBundleGetBundleWithIdentifier(CFSTR(kCarbonBundleID));
  if (!carbon) return;
  // A name not found leaves its pointer null.
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
