// Bitmap contexts: creation over the caller's memory, graphics state, fills,
// clearing and flushing. See CoreGraphics.h for why pixels are converted in
// place around each painting call.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>

#include "platform/graphics/CGPrivate.h"

namespace {

double Clamp01(CGFloat v) {
  if (!(v > 0)) return 0;  // also NaN
  return v > 1 ? 1 : v;
}

void FillCurrentPath(CGContextRef c, cairo_fill_rule_t rule) {
  cg::PaintScope scope(c);
  if (!scope.ok()) return;
  cairo_set_fill_rule(scope.cr(), rule);
  cairo_fill(scope.cr());
  cairo_set_fill_rule(scope.cr(), CAIRO_FILL_RULE_WINDING);
}

// True when rect, under the current transformation, covers every pixel.
bool CoversWholeBitmap(CGContextRef c, const CGRect& rect) {
  double xs[2] = {rect.origin.x, rect.origin.x + rect.size.width};
  double ys[2] = {rect.origin.y, rect.origin.y + rect.size.height};
  double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
  for (double x : xs) {
    for (double y : ys) {
      double dx = x, dy = y;
      cairo_user_to_device(c->cr, &dx, &dy);
      minX = std::min(minX, dx);
      maxX = std::max(maxX, dx);
      minY = std::min(minY, dy);
      maxY = std::max(maxY, dy);
    }
  }
  return minX <= 0 && minY <= 0 && maxX >= static_cast<double>(c->width) &&
         maxY >= static_cast<double>(c->height);
}

void Destroy(CGContextRef c) {
  if (c->cr) cairo_destroy(c->cr);
  if (c->surface) cairo_surface_destroy(c->surface);
  if (c->ownsData) {
    cg::SetBufferLabel(c->data, {});
    std::free(c->data);
  }
  delete c;
}

}  // namespace

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, CGColorSpaceRef space,
                                   CGBitmapInfo bitmapInfo) {
  if (!space || space->components != 3 || bitsPerComponent != 8) return nullptr;
  if (width == 0 || height == 0 || width > INT_MAX / 4 || height > INT_MAX) return nullptr;
  auto alpha = bitmapInfo & kCGBitmapAlphaInfoMask;
  if (alpha != kCGImageAlphaPremultipliedLast && alpha != kCGImageAlphaPremultipliedFirst)
    return nullptr;
  cg::PixelFormat format;
  if (!cg::FormatFor(3, 32, bitmapInfo, format)) return nullptr;
  // A zero row length asks for the tightest one.
  if (bytesPerRow == 0) bytesPerRow = width * 4;
  // cairo addresses rows through 32-bit words.
  if (bytesPerRow < width * 4 || bytesPerRow % 4 != 0 || bytesPerRow > INT_MAX) return nullptr;

  auto* c = new (std::nothrow) CGContext;
  if (!c) return nullptr;
  c->width = width;
  c->height = height;
  c->bytesPerRow = bytesPerRow;
  c->format = format;
  if (data) {
    c->data = static_cast<UInt8*>(data);
  } else {
    c->data = static_cast<UInt8*>(std::calloc(height, bytesPerRow));
    c->ownsData = true;
    if (!c->data) {
      delete c;
      return nullptr;
    }
  }
  c->surface =
      cairo_image_surface_create_for_data(c->data, CAIRO_FORMAT_ARGB32, static_cast<int>(width),
                                          static_cast<int>(height), static_cast<int>(bytesPerRow));
  if (cairo_surface_status(c->surface) == CAIRO_STATUS_SUCCESS) c->cr = cairo_create(c->surface);
  if (!c->cr || cairo_status(c->cr) != CAIRO_STATUS_SUCCESS) {
    Destroy(c);
    return nullptr;
  }
  // The Mac's origin is the bottom-left corner with y upwards.
  cairo_translate(c->cr, 0, static_cast<double>(height));
  cairo_scale(c->cr, 1, -1);
  cairo_set_source_rgba(c->cr, 0, 0, 0, 1);
  // Whatever an earlier bitmap at this address showed is not in this one.
  cg::SetBufferLabel(c->data, {});
  return c;
}

CGContextRef CGContextRetain(CGContextRef c) {
  if (c) ++c->refs;
  return c;
}

void CGContextRelease(CGContextRef c) {
  if (c && --c->refs == 0) Destroy(c);
}

void* CGBitmapContextGetData(CGContextRef c) { return c ? c->data : nullptr; }
size_t CGBitmapContextGetWidth(CGContextRef c) { return c ? c->width : 0; }
size_t CGBitmapContextGetHeight(CGContextRef c) { return c ? c->height : 0; }
size_t CGBitmapContextGetBytesPerRow(CGContextRef c) { return c ? c->bytesPerRow : 0; }

void CGContextSaveGState(CGContextRef c) {
  if (!c) return;
  cairo_save(c->cr);
  ++c->saveDepth;
}

void CGContextRestoreGState(CGContextRef c) {
  // An unbalanced restore would put cairo into a permanent error state.
  if (!c || c->saveDepth == 0) return;
  cairo_restore(c->cr);
  --c->saveDepth;
}

void CGContextSetRGBFillColor(CGContextRef c, CGFloat red, CGFloat green, CGFloat blue,
                              CGFloat alpha) {
  if (!c) return;
  cairo_set_source_rgba(c->cr, Clamp01(red), Clamp01(green), Clamp01(blue), Clamp01(alpha));
}

void CGContextFillPath(CGContextRef c) { FillCurrentPath(c, CAIRO_FILL_RULE_WINDING); }

void CGContextEOFillPath(CGContextRef c) { FillCurrentPath(c, CAIRO_FILL_RULE_EVEN_ODD); }

void CGContextFillRect(CGContextRef c, CGRect rect) {
  cg::PaintScope scope(c);
  if (!scope.ok()) return;
  cairo_new_path(scope.cr());
  cairo_rectangle(scope.cr(), rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_fill(scope.cr());
}

void CGContextClearRect(CGContextRef c, CGRect rect) {
  cg::PaintScope scope(c);
  if (!scope.ok()) return;
  cairo_t* cr = scope.cr();
  cairo_save(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
  cairo_new_path(cr);
  cairo_rectangle(cr, rect.origin.x, rect.origin.y, rect.size.width, rect.size.height);
  cairo_fill(cr);
  cairo_restore(cr);
  if (CoversWholeBitmap(c, rect)) cg::SetBufferLabel(c->data, {});
}

void CGContextFlush(CGContextRef c) {
  if (!c || !c->flushHandler) return;
  // The handler may replace itself; call a copy.
  auto handler = c->flushHandler;
  handler(c);
}

void CGContextSetFlushHandler(CGContextRef c, std::function<void(CGContextRef)> handler) {
  if (c) c->flushHandler = std::move(handler);
}

namespace cg {

PaintScope::PaintScope(CGContextRef c) {
  if (!c || !c->cr || cairo_status(c->cr) != CAIRO_STATUS_SUCCESS) return;
  RowsToNative(c->data, c->width, c->height, c->bytesPerRow, c->format);
  cairo_surface_mark_dirty(c->surface);
  c_ = c;
}

PaintScope::~PaintScope() {
  if (!c_) return;
  cairo_surface_flush(c_->surface);
  RowsFromNative(c_->data, c_->width, c_->height, c_->bytesPerRow, c_->format);
}

void NotePlotted(CGContextRef c, std::string_view label) {
  if (!c || label.empty()) return;
  std::string all = BufferLabel(c->data);
  if (!all.empty()) all += ", ";
  all += label;
  SetBufferLabel(c->data, std::move(all));
}

void EnterUprightRect(cairo_t* cr, const CGRect& rect) {
  cairo_translate(cr, rect.origin.x, rect.origin.y + rect.size.height);
  cairo_scale(cr, 1, -1);
}

}  // namespace cg
