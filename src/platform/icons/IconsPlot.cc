// Plotting an IconRef into a CoreGraphics context. For a dimmed or selected
// icon the host paints into a group of its own and the transform is applied
// to the group as a whole, so the icon is evenly translucent however the
// host drew it.
#include <algorithm>
#include <cmath>

#include "platform/core/MacErrors.h"
#include "platform/graphics/CGPrivate.h"
#include "platform/host/Host.h"
#include "platform/icons/Icons.h"

namespace {

constexpr double kDisabledOpacity = 0.5;
constexpr double kSelectedShade = 0.35;  // black laid over the icon's own shape

// What the user sees when no host can draw icons: a neutral square, so that
// layouts keep their place and nothing fails.
void DrawNeutralIcon(cairo_t* cr, double size) {
  double inset = size / 8;
  cairo_rectangle(cr, inset, inset, size - 2 * inset, size - 2 * inset);
  cairo_set_source_rgba(cr, 0.7, 0.7, 0.7, 1);
  cairo_fill(cr);
}

// The largest square in rect, placed as the alignment asks; centred on each
// axis that the alignment leaves free. rect is in the context's y-up space.
CGRect PlaceSquare(const CGRect& rect, IconAlignmentType align) {
  double side = std::min(rect.size.width, rect.size.height);
  double x = rect.origin.x + (rect.size.width - side) / 2;
  double y = rect.origin.y + (rect.size.height - side) / 2;
  switch (align & 0x0C) {
    case kAlignLeft: x = rect.origin.x; break;
    case kAlignRight: x = rect.origin.x + rect.size.width - side; break;
    default: break;
  }
  switch (align & 0x03) {
    case kAlignTop: y = rect.origin.y + rect.size.height - side; break;
    case kAlignBottom: y = rect.origin.y; break;
    default: break;
  }
  return CGRectMake(x, y, side, side);
}

CGRect Standardized(CGRect r) {
  if (r.size.width < 0) {
    r.origin.x += r.size.width;
    r.size.width = -r.size.width;
  }
  if (r.size.height < 0) {
    r.origin.y += r.size.height;
    r.size.height = -r.size.height;
  }
  return r;
}

}  // namespace

OSStatus PlotIconRefInContext(CGContextRef inContext, const CGRect* inRect,
                              IconAlignmentType inAlign, IconTransformType inTransform,
                              const RGBColor* /*inLabelColor: labels are not shown*/,
                              PlotIconRefFlags /*inFlags*/, IconRef inIconRef) {
  if (!inContext || !inRect || !inIconRef) return paramErr;
  CGRect square = PlaceSquare(Standardized(*inRect), inAlign);
  double side = square.size.width;
  if (!std::isfinite(side) || !std::isfinite(square.origin.x) || !std::isfinite(square.origin.y) ||
      side <= 0)
    return noErr;

  bool disabled = (inTransform & 0xFF) == kTransformDisabled;
  bool selected = (inTransform & kTransformSelected) != 0;
  {
    cg::PaintScope scope(inContext);
    if (!scope.ok()) return noErr;
    cairo_t* cr = scope.cr();
    cairo_save(cr);
    cg::EnterUprightRect(cr, square);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, side, side);
    cairo_clip(cr);

    // A plain icon needs no group: painting it whole at full opacity is
    // drawing it in place, and menus plot thousands of them.
    const bool transformed = disabled || selected;
    if (transformed) cairo_push_group(cr);
    cairo_save(cr);
    if (HostIcons* icons = CurrentHost().icons)
      icons->DrawIcon(cr, side, *GetIconRefDescription(inIconRef));
    else
      DrawNeutralIcon(cr, side);
    cairo_restore(cr);
    if (transformed) {
      cairo_pattern_t* icon = cairo_pop_group(cr);
      double opacity = disabled ? kDisabledOpacity : 1.0;
      cairo_set_source(cr, icon);
      cairo_paint_with_alpha(cr, opacity);
      if (selected) {
        cairo_set_source_rgba(cr, 0, 0, 0, kSelectedShade * opacity);
        cairo_mask(cr, icon);
      }
      cairo_pattern_destroy(icon);
    }
    cairo_restore(cr);
  }

  std::string label = DescribeIconRef(inIconRef);
  if (disabled) label += " dimmed";
  if (selected) label += " selected";
  cg::NotePlotted(inContext, label);
  return noErr;
}
