// The simulated desktop's table of named private functions: which of the
// window-server and Dock functions exist (a scenario may take any of them
// away, or offer the suppression-state function only under its misspelled
// name), and the functions themselves, which record every call in the
// transcript and keep what they were told so that tests can look.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/bundles/HostPrivateFunctions.h"
#include "platform/core/MacTypes.h"

class SimPrivateFunctions final : public HostPrivateFunctions {
 public:
  // The window-server connection the simulated _CGSDefaultConnection hands
  // out.
  static constexpr SInt32 kConnection = 1;

  // Every function exists, under its proper name.
  SimPrivateFunctions();

  // Every name the simulated desktop can offer (both spellings of the
  // suppression-state function among them).
  static const std::vector<std::string>& KnownNames();
  // From now on exactly these functions exist. False (and nothing changes)
  // when a name is not among KnownNames.
  bool SetPresent(const std::vector<std::string>& names);
  void SetAllPresent();
  bool IsPresent(std::string_view name) const { return present_.count(std::string(name)) > 0; }

  // What the Dock functions answer.
  bool dockRunning = true;
  bool dockAutoHide = false;

  // What the functions were last told (0 before any call).
  SInt32 backgroundEventMask = 0;
  UInt32 eventCaptureMask = 0;
  bool eventCaptureOn = false;
  UInt32 suppressionFilter = 0;
  UInt32 suppressionState = 0;
  // Windows tagged, as (window number, first tag word), in call order.
  std::vector<std::pair<SInt32, UInt32>> windowTags;

  // HostPrivateFunctions
  bool HasBundle(std::string_view bundleId) override;
  void* Lookup(std::string_view bundleId, std::string_view name) override;

 private:
  std::set<std::string> present_;
};
