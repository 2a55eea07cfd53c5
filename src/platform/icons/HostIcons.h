// The host's side of Icon Services: what an icon looks like. The layer
// (platform/Icons.h) decides what kind of thing a file is and keeps the
// reference-counted IconRefs; the host only paints a kind of icon on request,
// so that the simulated desktop can draw plain, recognisable shapes and a
// real desktop can draw its theme's icons.
#pragma once

#include <cairo.h>

#include <optional>
#include <string>

#include "platform/core/MacTypes.h"

enum class IconKind : UInt8 { kFolder, kDocument, kApplication, kVolume, kAlias, kPane };

struct IconDescription {
  IconKind kind = IconKind::kDocument;
  // For kAlias: the kind of what the link leads to, when it leads anywhere.
  std::optional<IconKind> aliasTarget;
  std::string path;  // POSIX path of the item
  std::string name;  // the item's name as the caller knows it
};

class HostIcons {
 public:
  virtual ~HostIcons() = default;
  // Paints the icon into the square (0, 0)..(size, size) of cr's user space,
  // y downwards, over whatever is there. The layer saves cr's state around
  // the call and clips to the square, so the host may change state freely.
  virtual void DrawIcon(cairo_t* cr, double size, const IconDescription& icon) = 0;
};
