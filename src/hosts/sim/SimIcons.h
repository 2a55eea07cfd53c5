// The simulated desktop's icons: one plain, distinct shape per kind, so that
// tests and snapshots can tell a folder from an application by its pixels.
#pragma once

#include "platform/icons/HostIcons.h"

class SimIcons final : public HostIcons {
 public:
  void DrawIcon(cairo_t* cr, double size, const IconDescription& icon) override;
};
