// The table of named private functions a host offers (window-server and Dock
// calls on the Mac). The agent binds them by bundle identifier and name at
// start-up and copes with every one being absent, so a host that has none
// leaves Host::privateFunctions null.
#pragma once

#include <string_view>

class HostPrivateFunctions {
 public:
  virtual ~HostPrivateFunctions() = default;
  // True when the host knows a bundle with this identifier.
  virtual bool HasBundle(std::string_view bundleId) = 0;
  // The function named "name" in that bundle, or null when there is none.
  virtual void* Lookup(std::string_view bundleId, std::string_view name) = 0;
};
