// Tab windows: creating a tab trigger's window, placing it on its screen
// (again after every display change) and drawing it.
#include "triggers/TabWindows.h"

#include <algorithm>
#include <limits>

#include "common/PrivateFunctions.h"
#include "platform/graphics/CoreGraphics.h"
#include "platform/host/Transcript.h"
#include "platform/preferences/Preferences.h"
#include "platform/windows/Screens.h"
#include "platform/windows/WindowEvents.h"
#include "platform/windows/Windows.h"
#include "shell/Settings.h"
#include "triggers/Triggers.h"

namespace {

constexpr WindowClass kTabWindowClass = kOverlayWindowClass;
// An undrawn tab is transparent, and a transparent window lets clicks fall
// through: kWindowOpaqueForEventsAttribute makes its whole square take them.
constexpr WindowAttributes kUndrawnTabAttributes =
    kWindowNoConstrainAttribute | kWindowStandardHandlerAttribute | kWindowOpaqueForEventsAttribute;
// A drawn tab takes clicks where it is painted.
constexpr WindowAttributes kDrawnTabAttributes =
    kWindowNoConstrainAttribute | kWindowStandardHandlerAttribute;
static_assert(kUndrawnTabAttributes == 0x82040000 && kDrawnTabAttributes == 0x82000000);

// The window-server tag that keeps the tab in place where the system moves
// or hides ordinary windows; the tag words hold 32 bits.
constexpr UInt32 kTabWindowTag = 0x800;
constexpr SInt32 kTabWindowTagSize = 32;

// A tab is never more than this part of its screen's smaller side.
constexpr SInt32 kScreenPartForTab = 4;
// Alpha 0.0 means a tab that is never drawn but still takes clicks.
constexpr float kUndrawnAlpha = 0.0f;
// Added to the alpha while the tab is highlighted; the sum is passed on as it
// is, and painting clamps it.
constexpr CGFloat kHighlightAlphaBoost = 0.3;
// Offset is in ten-thousandths of the edge's length.
constexpr double kOffsetScale = 10000.0;
// RGBColor components run to 65535.
constexpr CGFloat kColorComponentMax = 65535.0;

// Position codes: the four corners, then the four edges.
constexpr SInt8 kTabTopLeftCorner = 1;
constexpr SInt8 kTabTopRightCorner = 2;
constexpr SInt8 kTabBottomLeftCorner = 3;
constexpr SInt8 kTabBottomRightCorner = 4;
constexpr SInt8 kTabLeftEdge = 5;
constexpr SInt8 kTabTopEdge = 6;
constexpr SInt8 kTabRightEdge = 7;
constexpr SInt8 kTabBottomEdge = 8;

constexpr EventTypeSpec kTabPaintEvent = {kEventClassWindow, kEventWindowPaint};

// The screen a tab sits on: 0 the main screen, n of 1 or more the n-th
// active screen other than the main one in Display Manager order. Null when
// there is no such screen (any negative n among them).
GDHandle TabScreenDevice(SInt8 screen) {
  if (screen == 0) return GetMainDevice();
  SInt32 others = 0;
  for (GDHandle device = DMGetFirstScreenDevice(true); device;
       device = DMGetNextScreenDevice(device, true)) {
    if (TestDeviceAttribute(device, mainScreen)) continue;
    if (++others == screen) return device;
  }
  return nullptr;
}

// Placement is worked out in 32 bits: a screen at the far end of the 16-bit
// coordinate space, or a large Offset or Square Size, would otherwise wrap
// the tab round to the opposite side. A place beyond the coordinate space
// stops at its end.
SInt16 Coordinate(SInt32 value) {
  return static_cast<SInt16>(std::clamp<SInt32>(value, std::numeric_limits<SInt16>::min(),
                                                std::numeric_limits<SInt16>::max()));
}

// g(e): f x e in 32-bit float, truncated toward zero. |f| stays below 3.3
// (Offset is 16-bit) and |e| below 65536, so the product fits 32 bits.
SInt32 AlongEdge(float f, SInt32 edgeLength) {
  return static_cast<SInt32>(f * static_cast<float>(edgeLength));
}

}  // namespace

SInt16 LargestTabSquareSize(SInt8 screen) {
  GDHandle device = TabScreenDevice(screen);
  if (!device) device = GetMainDevice();
  if (!device) return kLargestSquareSize;
  const Rect& bounds = (*device)->gdRect;
  const SInt32 smallerSide =
      std::min<SInt32>(bounds.right - bounds.left, bounds.bottom - bounds.top);
  return static_cast<SInt16>(
      std::clamp<SInt32>(smallerSide / kScreenPartForTab, kSmallestSquareSize, kLargestSquareSize));
}

void CreateTabWindow(ScreenMenu* tab, const Rect* bounds) {
  // An undrawn tab still takes clicks over its whole square; full-screen
  // mode hides the tab unless the user asked otherwise.
  WindowAttributes attributes =
      tab->alpha == kUndrawnAlpha ? kUndrawnTabAttributes : kDrawnTabAttributes;
  if (!CFPreferencesGetAppBooleanValue(CFSTR(kNoFullscreenDisableKey),
                                       kCFPreferencesCurrentApplication, nullptr))
    attributes |= kWindowHideOnFullScreenAttribute;
  // Without a window the tab is never placed; its hot key still works.
  if (CreateNewWindow(kTabWindowClass, attributes, bounds, &tab->window) != noErr) {
    tab->window = nullptr;
    return;
  }
  // Tagged so that the window server leaves the tab where it is.
  if (g_CGSDefaultConnection && gCGSSetWindowTags && gGetNativeWindowFromWindowRef) {
    const UInt32 tags[2] = {kTabWindowTag, 0};
    (void)gCGSSetWindowTags(g_CGSDefaultConnection(), gGetNativeWindowFromWindowRef(tab->window),
                            tags, kTabWindowTagSize);
  }
  // A window too small or too large for a drawing surface gets no
  // context; DrawTab then draws nothing.
  if (CreateCGContextForPort(GetWindowPort(tab->window), &tab->context) != noErr)
    tab->context = nullptr;
  // An undrawn tab gets no paint handler.
  if (tab->alpha != kUndrawnAlpha)
    (void)InstallEventHandler(GetWindowEventTarget(tab->window),
                              NewEventHandlerUPP(TabPaintHandler), 1, &kTabPaintEvent, tab,
                              nullptr);
  // Clicks and drags get their handlers here once pointer tracking is
  // built: TabMouseDownHandler for 'mous'/1 on the window's event target,
  // TabDragTrackingHandler and TabDragReceiveHandler as the window's drag
  // tracking and receive handlers, each with the tab as user data.
  // The tab is on its screen (or hidden) before its trigger is complete.
  tab->PlaceTab();
}

void PlaceTabWindow(ScreenMenu* tab) {
  // A tab whose window could not be created has nothing to place.
  if (!tab->window) return;
  // A tab for a screen that is not there is hidden until one appears.
  GDHandle device = TabScreenDevice(tab->screen);
  if (!device) {
    HideWindow(tab->window);
    return;
  }
  const Rect& screen = (*device)->gdRect;
  const SInt32 T = screen.top;
  const SInt32 L = screen.left;
  const SInt32 B = screen.bottom;
  const SInt32 R = screen.right;
  const SInt32 s = tab->squareSize;
  const float f = static_cast<float>(tab->offset / kOffsetScale);
  // Full device bounds: a top tab overlaps the menu bar's area, and the
  // offset is not reduced by the tab's size.
  auto moveTo = [&](SInt32 h, SInt32 v) {
    MoveWindow(tab->window, Coordinate(h), Coordinate(v), true);
  };
  switch (tab->position) {
    case kTabTopLeftCorner: moveTo(L, T); break;
    case kTabTopRightCorner: moveTo(R - s, T); break;
    case kTabBottomLeftCorner: moveTo(L, B - s); break;
    case kTabBottomRightCorner: moveTo(R - s, B - s); break;
    case kTabLeftEdge: moveTo(L, T + AlongEdge(f, B - T)); break;
    case kTabTopEdge: moveTo(L + AlongEdge(f, R - L), T); break;
    case kTabRightEdge: moveTo(R - s, T + AlongEdge(f, B - T)); break;
    case kTabBottomEdge: moveTo(L + AlongEdge(f, R - L), B - s); break;
    default:
      // Any other code leaves the tab at its creation bounds.
      break;
  }
  ShowWindow(tab->window);
}

void PlaceAllTabs() {
  // Window-less triggers do nothing. Indexed: gTriggers is only appended to.
  for (std::size_t i = 0; i < gTriggers.size(); ++i) gTriggers[i]->PlaceTab();
}

void DrawTab(ScreenMenu* tab, bool highlighted) {
  // An undrawn tab only takes clicks.
  if (tab->alpha == kUndrawnAlpha) return;
  // A tab without a drawing surface (its window or context could not be
  // made) has nothing to draw into.
  CGContextRef context = tab->context;
  Rect content;
  if (!context || GetWindowBounds(tab->window, kWindowContentRgn, &content) != noErr) return;
  // Each drawing starts from a clear window.
  CGContextSaveGState(context);
  const CGFloat w = content.right - content.left;
  const CGFloat h = content.bottom - content.top;
  CGContextClearRect(context, CGRectMake(0, 0, w, h));
  // Highlighting only raises the alpha.
  const CGFloat red = tab->color.red / kColorComponentMax;
  const CGFloat green = tab->color.green / kColorComponentMax;
  const CGFloat blue = tab->color.blue / kColorComponentMax;
  const CGFloat alpha = tab->alpha + (highlighted ? kHighlightAlphaBoost : 0.0);
  CGContextSetRGBFillColor(context, red, green, blue, alpha);
  // Origin at the bottom-left, y upwards. The window is r pixels square,
  // so each corner shape is a quarter disc centred on the window corner
  // that lies in the screen corner.
  const CGFloat r = tab->squareSize;
  CGContextBeginPath(context);
  switch (tab->position) {
    case kTabTopLeftCorner:
      CGContextMoveToPoint(context, 0, 0);
      CGContextAddLineToPoint(context, 0, h);
      CGContextAddLineToPoint(context, w, h);
      CGContextAddArcToPoint(context, w, 0, 0, 0, r);
      CGContextEOFillPath(context);
      break;
    case kTabTopRightCorner:
      CGContextMoveToPoint(context, 0, h);
      CGContextAddLineToPoint(context, w, h);
      CGContextAddLineToPoint(context, w, 0);
      CGContextAddArcToPoint(context, 0, 0, 0, h, r);
      CGContextEOFillPath(context);
      break;
    case kTabBottomLeftCorner:
      CGContextMoveToPoint(context, w, 0);
      CGContextAddLineToPoint(context, 0, 0);
      CGContextAddLineToPoint(context, 0, h);
      CGContextAddArcToPoint(context, w, h, w, 0, r);
      CGContextEOFillPath(context);
      break;
    case kTabBottomRightCorner:
      CGContextMoveToPoint(context, w, h);
      CGContextAddLineToPoint(context, w, 0);
      CGContextAddLineToPoint(context, 0, 0);
      CGContextAddArcToPoint(context, 0, h, w, h, r);
      CGContextEOFillPath(context);
      break;
    case kTabLeftEdge:
    case kTabTopEdge:
    case kTabRightEdge:
    case kTabBottomEdge: CGContextFillRect(context, CGRectMake(0, 0, w, h)); break;
    default:
      // The empty path: nothing is painted.
      CGContextEOFillPath(context);
      break;
  }
  // The colour and alpha as passed, which the pixels cannot tell (an
  // alpha above 1 paints opaque).
  Transcribe(Fmt("tab drawn: window %u position %d, colour %.3f %.3f %.3f alpha %.2f%s",
                 static_cast<unsigned>(GetWindowHostNumber(tab->window)), tab->position, red, green,
                 blue, alpha, highlighted ? " (highlighted)" : ""));
  CGContextRestoreGState(context);
  CGContextFlush(context);
}

OSStatus TabPaintHandler(EventHandlerCallRef, EventRef, void* tab) {
  DrawTab(static_cast<ScreenMenu*>(tab), false);
  return noErr;
}
