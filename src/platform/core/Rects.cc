#include "platform/core/Rects.h"

void InsetRect(Rect* r, SInt16 dh, SInt16 dv) {
  if (!r) return;
  r->left = static_cast<SInt16>(r->left + dh);
  r->right = static_cast<SInt16>(r->right - dh);
  r->top = static_cast<SInt16>(r->top + dv);
  r->bottom = static_cast<SInt16>(r->bottom - dv);
  if (r->left >= r->right || r->top >= r->bottom) *r = Rect{};
}

Boolean PtInRect(Point pt, const Rect* r) {
  return r && pt.v >= r->top && pt.v < r->bottom && pt.h >= r->left && pt.h < r->right;
}
