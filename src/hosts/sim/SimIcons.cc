// Shapes are laid out on a unit square and scaled to the requested size, so
// every size shows the same picture.
#include "hosts/sim/SimIcons.h"

namespace {

void Outline(cairo_t* cr) {
  cairo_set_source_rgb(cr, 0.2, 0.2, 0.2);
  cairo_set_line_width(cr, 0.04);
  cairo_stroke(cr);
}

// A tab-topped blue rectangle.
void DrawFolder(cairo_t* cr) {
  cairo_move_to(cr, 0.08, 0.22);
  cairo_line_to(cr, 0.42, 0.22);
  cairo_line_to(cr, 0.48, 0.32);
  cairo_line_to(cr, 0.92, 0.32);
  cairo_line_to(cr, 0.92, 0.86);
  cairo_line_to(cr, 0.08, 0.86);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.33, 0.6, 0.92);
  cairo_fill_preserve(cr);
  Outline(cr);
}

// A white page with its top-right corner folded.
void DrawDocument(cairo_t* cr) {
  cairo_move_to(cr, 0.2, 0.06);
  cairo_line_to(cr, 0.6, 0.06);
  cairo_line_to(cr, 0.8, 0.26);
  cairo_line_to(cr, 0.8, 0.94);
  cairo_line_to(cr, 0.2, 0.94);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  Outline(cr);
  cairo_move_to(cr, 0.6, 0.06);
  cairo_line_to(cr, 0.6, 0.26);
  cairo_line_to(cr, 0.8, 0.26);
  Outline(cr);
}

// An orange diamond.
void DrawApplication(cairo_t* cr) {
  cairo_move_to(cr, 0.5, 0.04);
  cairo_line_to(cr, 0.96, 0.5);
  cairo_line_to(cr, 0.5, 0.96);
  cairo_line_to(cr, 0.04, 0.5);
  cairo_close_path(cr);
  cairo_set_source_rgb(cr, 0.95, 0.55, 0.1);
  cairo_fill_preserve(cr);
  Outline(cr);
}

void Ellipse(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 6.283185307179586);
  cairo_restore(cr);
}

// A grey drum seen from the side: body, bottom rim, lighter top.
void DrawVolume(cairo_t* cr) {
  cairo_set_source_rgb(cr, 0.55, 0.55, 0.58);
  Ellipse(cr, 0.5, 0.7, 0.4, 0.12);
  cairo_fill(cr);
  cairo_rectangle(cr, 0.1, 0.3, 0.8, 0.4);
  cairo_fill(cr);
  Ellipse(cr, 0.5, 0.3, 0.4, 0.12);
  cairo_set_source_rgb(cr, 0.78, 0.78, 0.8);
  cairo_fill_preserve(cr);
  Outline(cr);
}

// A light switch: a pale plate with a dark toggle.
void DrawPane(cairo_t* cr) {
  cairo_rectangle(cr, 0.22, 0.08, 0.56, 0.84);
  cairo_set_source_rgb(cr, 0.92, 0.9, 0.8);
  cairo_fill_preserve(cr);
  Outline(cr);
  cairo_rectangle(cr, 0.4, 0.25, 0.2, 0.3);
  cairo_set_source_rgb(cr, 0.15, 0.15, 0.15);
  cairo_fill(cr);
}

void DrawKind(cairo_t* cr, IconKind kind) {
  switch (kind) {
    case IconKind::kFolder: DrawFolder(cr); break;
    case IconKind::kApplication: DrawApplication(cr); break;
    case IconKind::kVolume: DrawVolume(cr); break;
    case IconKind::kPane: DrawPane(cr); break;
    case IconKind::kDocument:
    case IconKind::kAlias: DrawDocument(cr); break;
  }
}

// The curved arrow badge in the bottom-left corner that marks an alias.
void DrawAliasArrow(cairo_t* cr) {
  cairo_rectangle(cr, 0.02, 0.6, 0.38, 0.38);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_fill_preserve(cr);
  Outline(cr);
  cairo_move_to(cr, 0.1, 0.9);
  cairo_line_to(cr, 0.3, 0.7);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.06);
  cairo_stroke(cr);
  cairo_move_to(cr, 0.34, 0.66);
  cairo_line_to(cr, 0.34, 0.8);
  cairo_line_to(cr, 0.2, 0.66);
  cairo_close_path(cr);
  cairo_fill(cr);
}

}  // namespace

void SimIcons::DrawIcon(cairo_t* cr, double size, const IconDescription& icon) {
  cairo_scale(cr, size, size);
  if (icon.kind == IconKind::kAlias) {
    DrawKind(cr, icon.aliasTarget.value_or(IconKind::kDocument));
    DrawAliasArrow(cr);
  } else {
    DrawKind(cr, icon.kind);
  }
}
