// Drawing an image into a context: the image's pixels are brought into a
// cairo surface once per call and painted scaled into the target rectangle.
#include "platform/graphics/CGPrivate.h"

void CGContextDrawImage(CGContextRef c, CGRect rect, CGImageRef image) {
  if (!image || rect.size.width == 0 || rect.size.height == 0) return;
  std::vector<UInt8> rgba = CGImageCopyPixelsForTesting(image);
  cairo_surface_t* source =
      cg::SurfaceFromRGBA(rgba, image->width, image->height, image->width * 4);
  if (!source) return;
  {
    cg::PaintScope scope(c);
    if (scope.ok()) {
      cairo_t* cr = scope.cr();
      cairo_save(cr);
      cg::EnterUprightRect(cr, rect);
      cairo_scale(cr, rect.size.width / static_cast<double>(image->width),
                  rect.size.height / static_cast<double>(image->height));
      cairo_new_path(cr);
      cairo_rectangle(cr, 0, 0, static_cast<double>(image->width),
                      static_cast<double>(image->height));
      cairo_clip(cr);
      cairo_set_source_surface(cr, source, 0, 0);
      // Padding keeps the rectangle's edges crisp when the image is scaled.
      cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
      cairo_pattern_set_filter(cairo_get_source(cr),
                               image->interpolate ? CAIRO_FILTER_GOOD : CAIRO_FILTER_NEAREST);
      cairo_paint(cr);
      cairo_restore(cr);
    }
  }
  cairo_surface_destroy(source);
}
