#include "platform/windows/Windows.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "platform/core/MacErrors.h"
#include "platform/host/Host.h"
#include "platform/windows/HostWindows.h"

struct OpaqueGrafPtr {
  OpaqueWindowPtr* window;
};

struct OpaqueWindowPtr {
  HostWindowID hostID = 0;
  WindowClass windowClass = 0;
  WindowAttributes attributes = 0;
  Rect bounds;
  bool visible = false;
  OpaqueGrafPtr port{this};
  // Shared with every context made for the port, so that drawing through a
  // context the agent still holds never touches freed memory.
  std::shared_ptr<std::vector<UInt8>> pixels;
  UInt32 pixelWidth = 0;
  UInt32 pixelHeight = 0;
  void* eventTarget = nullptr;
  std::vector<WindowDragHandler> tracking;
  std::vector<WindowDragHandler> receive;
};

namespace {

std::vector<std::unique_ptr<OpaqueWindowPtr>> gWindows;
// Handlers installed with a null window: the application's own.
std::vector<WindowDragHandler> gAppTracking;
std::vector<WindowDragHandler> gAppReceive;
std::function<void(WindowRef)> gDisposeHook;

// The largest pixel buffer a window may have (a 16384 x 16384 screen's
// worth); beyond that a bounds rectangle is a mistake, not a window.
constexpr std::size_t kMaxPixels = std::size_t{16384} * 16384;

HostWindows* Screen() { return CurrentHost().windows; }

OpaqueWindowPtr* Live(WindowRef window) {
  if (!window) return nullptr;
  for (auto& w : gWindows)
    if (w.get() == window) return w.get();
  return nullptr;
}

bool KnownClass(WindowClass c) {
  return (c >= kAlertWindowClass && c <= kUtilityWindowClass) ||
         (c >= kHelpWindowClass && c <= kAltPlainWindowClass);
}

SInt16 Clamp16(long v) {
  return static_cast<SInt16>(
      std::clamp<long>(v, std::numeric_limits<SInt16>::min(), std::numeric_limits<SInt16>::max()));
}

std::vector<WindowDragHandler>* TrackingList(WindowRef window, OSErr* status) {
  *status = noErr;
  if (!window) return &gAppTracking;
  OpaqueWindowPtr* w = Live(window);
  if (!w) *status = errInvalidWindowRef;
  return w ? &w->tracking : nullptr;
}

std::vector<WindowDragHandler>* ReceiveList(WindowRef window, OSErr* status) {
  *status = noErr;
  if (!window) return &gAppReceive;
  OpaqueWindowPtr* w = Live(window);
  if (!w) *status = errInvalidWindowRef;
  return w ? &w->receive : nullptr;
}

OSErr AddHandler(std::vector<WindowDragHandler>* list, void (*handler)(), void* refCon) {
  if (!handler) return paramErr;
  for (const WindowDragHandler& h : *list)
    if (h.handler == handler && h.refCon == refCon) return paramErr;
  list->push_back({handler, refCon});
  return noErr;
}

OSErr RemoveHandler(std::vector<WindowDragHandler>* list, void (*handler)()) {
  auto gone =
      std::erase_if(*list, [&](const WindowDragHandler& h) { return h.handler == handler; });
  return gone ? noErr : paramErr;
}

}  // namespace

OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes, const Rect* bounds,
                         WindowRef* outWindow) {
  if (outWindow) *outWindow = nullptr;
  if (!bounds || !outWindow || bounds->bottom < bounds->top || bounds->right < bounds->left)
    return paramErr;
  if (!KnownClass(windowClass)) return errUnrecognizedWindowClass;
  HostWindows* host = Screen();
  if (!host) return unimpErr;
  HostWindowID id = 0;
  OSStatus status = host->Create(windowClass, attributes, *bounds, &id);
  if (status != noErr) return status;
  auto window = std::make_unique<OpaqueWindowPtr>();
  window->hostID = id;
  window->windowClass = windowClass;
  window->attributes = attributes;
  window->bounds = *bounds;
  *outWindow = gWindows.emplace_back(std::move(window)).get();
  return noErr;
}

OSStatus ReleaseWindow(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return errInvalidWindowRef;
  if (gDisposeHook) {
    gDisposeHook(window);
    // The hook may have released windows itself, this one among them.
    w = Live(window);
    if (!w) return noErr;
  }
  if (HostWindows* host = Screen()) host->Release(w->hostID);
  std::erase_if(gWindows, [&](const auto& p) { return p.get() == window; });
  return noErr;
}

OSStatus ChangeWindowAttributes(WindowRef window, WindowAttributes setTheseAttributes,
                                WindowAttributes clearTheseAttributes) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return errInvalidWindowRef;
  if (setTheseAttributes & clearTheseAttributes) return windowAttributesConflictErr;
  w->attributes = (w->attributes | setTheseAttributes) & ~clearTheseAttributes;
  if (HostWindows* host = Screen()) host->SetAttributes(w->hostID, w->attributes);
  return noErr;
}

OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* outAttributes) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return errInvalidWindowRef;
  if (!outAttributes) return paramErr;
  *outAttributes = w->attributes;
  return noErr;
}

void MoveWindow(WindowRef window, SInt16 hGlobal, SInt16 vGlobal, Boolean front) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return;
  long width = long{w->bounds.right} - w->bounds.left;
  long height = long{w->bounds.bottom} - w->bounds.top;
  w->bounds = Rect{vGlobal, hGlobal, Clamp16(vGlobal + height), Clamp16(hGlobal + width)};
  if (HostWindows* host = Screen()) host->Move(w->hostID, w->bounds, front);
}

void ShowWindow(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return;
  w->visible = true;
  if (HostWindows* host = Screen()) host->Show(w->hostID);
}

void HideWindow(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return;
  w->visible = false;
  if (HostWindows* host = Screen()) host->Hide(w->hostID);
}

Boolean IsWindowVisible(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  return w && w->visible;
}

OSStatus GetWindowBounds(WindowRef window, WindowRegionCode regionCode, Rect* globalBounds) {
  OpaqueWindowPtr* w = Live(window);
  if (!w) return errInvalidWindowRef;
  if (!globalBounds) return paramErr;
  switch (regionCode) {
    case kWindowStructureRgn:
    case kWindowContentRgn:
    case kWindowGlobalPortRgn: *globalBounds = w->bounds; return noErr;
    default: return errWindowRegionCodeInvalid;
  }
}

CGrafPtr GetWindowPort(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  return w ? &w->port : nullptr;
}

WindowRef GetWindowFromPort(CGrafPtr port) {
  for (auto& w : gWindows)
    if (&w->port == port) return w.get();
  return nullptr;
}

OSStatus CreateCGContextForPort(CGrafPtr inPort, CGContextRef* outContext) {
  if (!outContext) return paramErr;
  OpaqueWindowPtr* w = GetWindowFromPort(inPort);
  if (!w) return errInvalidWindowRef;
  UInt32 width = static_cast<UInt32>(w->bounds.right - w->bounds.left);
  UInt32 height = static_cast<UInt32>(w->bounds.bottom - w->bounds.top);
  if (width == 0 || height == 0) return paramErr;
  if (std::size_t{width} * height > kMaxPixels) return memFullErr;
  if (!w->pixels || w->pixelWidth != width || w->pixelHeight != height) {
    try {
      w->pixels = std::make_shared<std::vector<UInt8>>(std::size_t{width} * height * 4, 0);
    } catch (const std::bad_alloc&) {
      return memFullErr;
    }
    w->pixelWidth = width;
    w->pixelHeight = height;
  }
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  CGContextRef context =
      CGBitmapContextCreate(w->pixels->data(), width, height, 8, std::size_t{width} * 4, space,
                            kCGImageAlphaPremultipliedLast);
  CGColorSpaceRelease(space);
  if (!context) return memFullErr;
  // The handler lives as long as the context and holds the pixels with it.
  CGContextSetFlushHandler(context,
                           [pixels = w->pixels, id = w->hostID, width, height](CGContextRef) {
                             if (HostWindows* host = Screen())
                               host->Drawn(id, *pixels, width, height);
                           });
  *outContext = context;
  return noErr;
}

std::span<const UInt8> GetWindowPixels(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  if (!w || !w->pixels) return {};
  return *w->pixels;
}

UInt32 GetWindowHostNumber(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  return w ? w->hostID : 0;
}

WindowRef GetWindowFromHostNumber(UInt32 hostNumber) {
  for (auto& w : gWindows)
    if (w->hostID == hostNumber) return w.get();
  return nullptr;
}

void* GetWindowEventTargetSlot(WindowRef window) {
  OpaqueWindowPtr* w = Live(window);
  return w ? w->eventTarget : nullptr;
}

void SetWindowEventTargetSlot(WindowRef window, void* eventTarget) {
  if (OpaqueWindowPtr* w = Live(window)) w->eventTarget = eventTarget;
}

void SetWindowDisposeHook(std::function<void(WindowRef)> hook) { gDisposeHook = std::move(hook); }

OSErr InstallTrackingHandler(DragTrackingHandlerUPP trackingHandler, WindowRef theWindow,
                             void* handlerRefCon) {
  OSErr status = noErr;
  auto* list = TrackingList(theWindow, &status);
  return list ? AddHandler(list, trackingHandler, handlerRefCon) : status;
}

OSErr InstallReceiveHandler(DragReceiveHandlerUPP receiveHandler, WindowRef theWindow,
                            void* handlerRefCon) {
  OSErr status = noErr;
  auto* list = ReceiveList(theWindow, &status);
  return list ? AddHandler(list, receiveHandler, handlerRefCon) : status;
}

OSErr RemoveTrackingHandler(DragTrackingHandlerUPP trackingHandler, WindowRef theWindow) {
  OSErr status = noErr;
  auto* list = TrackingList(theWindow, &status);
  return list ? RemoveHandler(list, trackingHandler) : status;
}

OSErr RemoveReceiveHandler(DragReceiveHandlerUPP receiveHandler, WindowRef theWindow) {
  OSErr status = noErr;
  auto* list = ReceiveList(theWindow, &status);
  return list ? RemoveHandler(list, receiveHandler) : status;
}

std::span<const WindowDragHandler> GetWindowTrackingHandlers(WindowRef theWindow) {
  OSErr status = noErr;
  auto* list = TrackingList(theWindow, &status);
  return list ? std::span<const WindowDragHandler>(*list) : std::span<const WindowDragHandler>{};
}

std::span<const WindowDragHandler> GetWindowReceiveHandlers(WindowRef theWindow) {
  OSErr status = noErr;
  auto* list = ReceiveList(theWindow, &status);
  return list ? std::span<const WindowDragHandler>(*list) : std::span<const WindowDragHandler>{};
}
