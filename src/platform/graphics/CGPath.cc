// Path construction. cairo keeps the path in device space as it is built, as
// the Mac does, so a later change of transformation does not move it.
#include <cmath>
#include <numbers>

#include "platform/graphics/CGPrivate.h"

namespace {

bool Finite(CGFloat a, CGFloat b) { return std::isfinite(a) && std::isfinite(b); }

bool HasCurrentPoint(CGContextRef c) { return c && cairo_has_current_point(c->cr); }

}  // namespace

void CGContextBeginPath(CGContextRef c) {
  if (c) cairo_new_path(c->cr);
}

void CGContextMoveToPoint(CGContextRef c, CGFloat x, CGFloat y) {
  if (c && Finite(x, y)) cairo_move_to(c->cr, x, y);
}

void CGContextAddLineToPoint(CGContextRef c, CGFloat x, CGFloat y) {
  // cairo would treat a line without a start as a move; the Mac ignores it.
  if (HasCurrentPoint(c) && Finite(x, y)) cairo_line_to(c->cr, x, y);
}

void CGContextClosePath(CGContextRef c) {
  if (HasCurrentPoint(c)) cairo_close_path(c->cr);
}

// The circle of the given radius that touches both tangent lines sits on the
// bisector of the corner at P1. With A the corner's angle, the tangent points
// lie radius / tan(A/2) from P1 along each line, and the centre lies
// radius / sin(A/2) from P1 along the bisector. The arc drawn is the short one
// between the tangent points, turning the way the corner turns.
void CGContextAddArcToPoint(CGContextRef c, CGFloat x1, CGFloat y1, CGFloat x2, CGFloat y2,
                            CGFloat radius) {
  if (!HasCurrentPoint(c) || !Finite(x1, y1) || !Finite(x2, y2) || !std::isfinite(radius)) return;
  cairo_t* cr = c->cr;
  double x0 = 0, y0 = 0;
  cairo_get_current_point(cr, &x0, &y0);

  double ux = x0 - x1, uy = y0 - y1;  // from the corner back to the start
  double vx = x2 - x1, vy = y2 - y1;  // from the corner on to the end
  double lu = std::hypot(ux, uy), lv = std::hypot(vx, vy);
  if (radius <= 0 || lu == 0 || lv == 0) {
    cairo_line_to(cr, x1, y1);
    return;
  }
  ux /= lu;
  uy /= lu;
  vx /= lv;
  vy /= lv;
  double cross = ux * vy - uy * vx;
  double dot = ux * vx + uy * vy;
  double corner = std::atan2(std::fabs(cross), dot);  // 0..pi
  // Straight on or straight back: no circle touches both lines.
  if (corner < 1e-9 || std::numbers::pi - corner < 1e-9) {
    cairo_line_to(cr, x1, y1);
    return;
  }
  double half = corner / 2;
  double toTangent = radius / std::tan(half);
  double toCentre = radius / std::sin(half);
  double bx = ux + vx, by = uy + vy;
  double lb = std::hypot(bx, by);
  double cx = x1 + bx / lb * toCentre, cy = y1 + by / lb * toCentre;
  double t1x = x1 + ux * toTangent, t1y = y1 + uy * toTangent;
  double t2x = x1 + vx * toTangent, t2y = y1 + vy * toTangent;
  double a1 = std::atan2(t1y - cy, t1x - cx);
  double a2 = std::atan2(t2y - cy, t2x - cx);

  cairo_line_to(cr, t1x, t1y);
  // The turn from the first radius to the second says which way round.
  double turn = (t1x - cx) * (t2y - cy) - (t1y - cy) * (t2x - cx);
  if (turn > 0)
    cairo_arc(cr, cx, cy, radius, a1, a2);
  else
    cairo_arc_negative(cr, cx, cy, radius, a1, a2);
}
