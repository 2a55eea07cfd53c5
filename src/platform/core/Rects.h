// QuickDraw rectangle arithmetic on 16-bit coordinates.
#pragma once

#include "platform/core/MacTypes.h"

// Moves the left and right sides in by dh and the top and bottom by dv
// (negative values move them out). An inset that leaves the rectangle empty
// makes it (0, 0, 0, 0). Null: nothing happens.
void InsetRect(Rect* r, SInt16 dh, SInt16 dv);
// Whether pt lies inside r: the top and left edges belong to it, the bottom
// and right ones do not. False for null.
Boolean PtInRect(Point pt, const Rect* r);
