#include "hosts/sim/SimPrivateFunctions.h"

#include <algorithm>

#include "common/PrivateFunctions.h"
#include "platform/host/Host.h"
#include "platform/host/Transcript.h"

namespace {

SimPrivateFunctions* Current() {
  return dynamic_cast<SimPrivateFunctions*>(CurrentHost().privateFunctions);
}

// The simulated functions. Each records its call; the effects they stand
// for on the Mac (event filtering, event capture, window tags) have no
// counterpart on the simulated desktop beyond what they remember.

CGError SuppressionState(const char* name, CGEventFilterMask filter,
                         CGEventSuppressionState state) {
  Transcribe(Fmt("private call: %s(filter %u, state %u)", name, static_cast<unsigned>(filter),
                 static_cast<unsigned>(state)));
  if (auto* table = Current()) {
    table->suppressionFilter = filter;
    table->suppressionState = state;
  }
  return 0;
}

CGError SetLocalEventsFilterDuringSuppressionState(CGEventFilterMask filter,
                                                   CGEventSuppressionState state) {
  return SuppressionState(kSuppressionStateName, filter, state);
}

CGError SetLocalEventsFilterDuringSupressionState(CGEventFilterMask filter,
                                                  CGEventSuppressionState state) {
  return SuppressionState(kSuppressionStateMisspelledName, filter, state);
}

Boolean IsDockRunning() {
  auto* table = Current();
  const bool running = table && table->dockRunning;
  Transcribe(
      Fmt("private call: %s() = %s", kCoreDockIsDockRunningName, running ? "true" : "false"));
  return running;
}

Boolean GetAutoHideEnabled() {
  auto* table = Current();
  const bool autoHide = table && table->dockAutoHide;
  Transcribe(
      Fmt("private call: %s() = %s", kCoreDockGetAutoHideEnabledName, autoHide ? "true" : "false"));
  return autoHide;
}

// Asked before nearly every other call and without an effect of its own,
// so it is not transcribed.
CGSConnectionID DefaultConnection() { return SimPrivateFunctions::kConnection; }

CGError SetBackgroundEventMask(CGSConnectionID connection, SInt32 mask) {
  Transcribe(Fmt("private call: %s(connection %d, mask %d)", kCGSSetBackgroundEventMaskName,
                 static_cast<int>(connection), static_cast<int>(mask)));
  if (auto* table = Current()) table->backgroundEventMask = mask;
  return 0;
}

CGError SetEventCapture(CGSConnectionID connection, SInt32 unused, UInt32 mask, SInt32 capture) {
  Transcribe(Fmt("private call: %s(connection %d, %d, mask 0x%08X, %d)", kCGSSetEventCaptureName,
                 static_cast<int>(connection), static_cast<int>(unused),
                 static_cast<unsigned>(mask), static_cast<int>(capture)));
  if (auto* table = Current()) {
    table->eventCaptureMask = mask;
    table->eventCaptureOn = capture != 0;
  }
  return 0;
}

CGSWindowID NativeWindow(WindowRef window) {
  const auto number = static_cast<CGSWindowID>(GetWindowHostNumber(window));
  Transcribe(Fmt("private call: %s(window %d) = %d", kGetNativeWindowFromWindowRefName,
                 static_cast<int>(number), static_cast<int>(number)));
  return number;
}

CGError SetWindowTags(CGSConnectionID connection, CGSWindowID window, const UInt32* tags,
                      SInt32 tagSize) {
  const UInt32 first = tags && tagSize > 0 ? tags[0] : 0;
  Transcribe(Fmt("private call: %s(connection %d, window %d, tags 0x%08X, %d)",
                 kCGSSetWindowTagsName, static_cast<int>(connection), static_cast<int>(window),
                 static_cast<unsigned>(first), static_cast<int>(tagSize)));
  if (auto* table = Current()) table->windowTags.emplace_back(window, first);
  return 0;
}

struct KnownFunction {
  const char* bundle;
  const char* name;
  void* function;
};

template <class F>
void* Address(F* function) {
  return reinterpret_cast<void*>(function);
}

const std::vector<KnownFunction>& Known() {
  static const std::vector<KnownFunction> known = {
      {kCoreGraphicsBundleID, kSuppressionStateName,
       Address(SetLocalEventsFilterDuringSuppressionState)},
      {kCoreGraphicsBundleID, kSuppressionStateMisspelledName,
       Address(SetLocalEventsFilterDuringSupressionState)},
      {kCarbonBundleID, kCoreDockIsDockRunningName, Address(IsDockRunning)},
      {kCarbonBundleID, kCoreDockGetAutoHideEnabledName, Address(GetAutoHideEnabled)},
      {kCarbonBundleID, kCGSDefaultConnectionName, Address(DefaultConnection)},
      {kCarbonBundleID, kCGSSetBackgroundEventMaskName, Address(SetBackgroundEventMask)},
      {kCarbonBundleID, kCGSSetEventCaptureName, Address(SetEventCapture)},
      {kCarbonBundleID, kGetNativeWindowFromWindowRefName, Address(NativeWindow)},
      {kCarbonBundleID, kCGSSetWindowTagsName, Address(SetWindowTags)},
  };
  return known;
}

}  // namespace

SimPrivateFunctions::SimPrivateFunctions() { SetAllPresent(); }

const std::vector<std::string>& SimPrivateFunctions::KnownNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
    for (const KnownFunction& f : Known()) out.emplace_back(f.name);
    return out;
  }();
  return names;
}

bool SimPrivateFunctions::SetPresent(const std::vector<std::string>& names) {
  const auto& known = KnownNames();
  for (const std::string& name : names)
    if (std::find(known.begin(), known.end(), name) == known.end()) return false;
  present_ = std::set<std::string>(names.begin(), names.end());
  return true;
}

void SimPrivateFunctions::SetAllPresent() {
  // A real system exports the suppression-state function under one
  // spelling; the proper one is the usual case.
  present_.clear();
  for (const KnownFunction& f : Known())
    if (std::string_view(f.name) != kSuppressionStateMisspelledName) present_.insert(f.name);
}

bool SimPrivateFunctions::HasBundle(std::string_view bundleId) {
  return std::any_of(Known().begin(), Known().end(), [&](const KnownFunction& f) {
    return bundleId == f.bundle && IsPresent(f.name);
  });
}

void* SimPrivateFunctions::Lookup(std::string_view bundleId, std::string_view name) {
  for (const KnownFunction& f : Known()) {
    if (bundleId != f.bundle || name != f.name) continue;
    const bool present = IsPresent(name);
    Transcribe(Fmt("private function %s: %s", f.name, present ? "found" : "not found"));
    return present ? f.function : nullptr;
  }
  Transcribe(Fmt("private function %.*s: not found", static_cast<int>(name.size()), name.data()));
  return nullptr;
}
