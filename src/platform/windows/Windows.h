// Windows: the window objects the agent creates (tab, overlay and parked
// windows), their attributes, bounds and visibility, a pixel buffer per
// window to draw in, and the slots other managers hang on a window (its event
// target, its drag handlers).
//
// The layer keeps the objects; the host (platform/host/HostWindows.h) is told
// of every change and shows the window. A window is a borderless rectangle:
// its structure, content and port bounds are the same rectangle.
#pragma once

#include <functional>
#include <span>
#include <type_traits>

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"
#include "platform/graphics/CoreGraphics.h"

using WindowRef = struct OpaqueWindowPtr*;
using WindowPtr = WindowRef;
using CGrafPtr = struct OpaqueGrafPtr*;
using GrafPtr = CGrafPtr;

using WindowClass = UInt32;
using WindowAttributes = UInt32;
using WindowRegionCode = UInt16;

enum : WindowClass {
  kAlertWindowClass = 1,
  kMovableAlertWindowClass = 2,
  kModalWindowClass = 3,
  kMovableModalWindowClass = 4,
  kFloatingWindowClass = 5,
  kDocumentWindowClass = 6,
  kDesktopWindowClass = 7,
  kUtilityWindowClass = 8,
  kHelpWindowClass = 10,
  kSheetWindowClass = 11,
  kToolbarWindowClass = 12,
  kPlainWindowClass = 13,
  kOverlayWindowClass = 14,
  kSheetAlertWindowClass = 15,
  kAltPlainWindowClass = 16,
};

enum : WindowAttributes {
  kWindowNoAttributes = 0,
  kWindowNoTitleBarAttribute = 0x00000200,
  kWindowOpaqueForEventsAttribute = 0x00040000,
  kWindowNoShadowAttribute = 0x00200000,
  kWindowStandardHandlerAttribute = 0x02000000,
  kWindowHideOnFullScreenAttribute = 0x04000000,
  kWindowNoConstrainAttribute = 0x80000000,
};

enum : WindowRegionCode {
  kWindowStructureRgn = 32,
  kWindowContentRgn = 33,
  kWindowGlobalPortRgn = 40,
};

// Creates an invisible window of class windowClass with the given attributes
// whose content occupies bounds (global coordinates). On failure nothing is
// created and *outWindow is null. Returns noErr, paramErr (bounds or
// outWindow null, or bounds with bottom above top or right left of left),
// errUnrecognizedWindowClass, unimpErr (no host windows) or the host's
// failure status.
[[nodiscard]] OSStatus CreateNewWindow(WindowClass windowClass, WindowAttributes attributes,
                                       const Rect* bounds, WindowRef* outWindow);

// Disposes of the window: it leaves the screen, its slots are emptied (see
// SetWindowDisposeHook) and the reference becomes invalid. Contexts made for
// its port stay usable and draw into pixels nobody shows. Returns noErr or
// errInvalidWindowRef.
OSStatus ReleaseWindow(WindowRef window);

// Sets, then clears, attribute bits. Returns noErr, errInvalidWindowRef or
// windowAttributesConflictErr (a bit both set and cleared; nothing changes).
OSStatus ChangeWindowAttributes(WindowRef window, WindowAttributes setTheseAttributes,
                                WindowAttributes clearTheseAttributes);
// Returns noErr, errInvalidWindowRef or paramErr (outAttributes null).
[[nodiscard]] OSStatus GetWindowAttributes(WindowRef window, WindowAttributes* outAttributes);

// Moves the window's content top-left corner to (hGlobal, vGlobal) keeping
// its size (coordinates beyond the 16-bit range are clamped); front raises it
// above the other windows. An invalid window is ignored.
void MoveWindow(WindowRef window, SInt16 hGlobal, SInt16 vGlobal, Boolean front);
// An invalid window is ignored.
void ShowWindow(WindowRef window);
void HideWindow(WindowRef window);
// False for an invalid window.
Boolean IsWindowVisible(WindowRef window);

// Global bounds of the structure, content or port region (all the same
// rectangle here). Returns noErr, errInvalidWindowRef, paramErr (globalBounds
// null) or errWindowRegionCodeInvalid.
[[nodiscard]] OSStatus GetWindowBounds(WindowRef window, WindowRegionCode regionCode,
                                       Rect* globalBounds);

// The window's drawing port; null for an invalid window.
CGrafPtr GetWindowPort(WindowRef window);
// The window of a port; null for a port that is not a live window's.
WindowRef GetWindowFromPort(CGrafPtr port);

// A new bitmap context over the window's pixels (allocated on first use,
// cleared): width x height of the content, RGBA premultiplied, width x 4
// bytes per row, origin at the bottom-left, y upwards. Each flush tells the
// host the window was drawn. The caller releases the context; it keeps the
// pixels alive even if the window goes first. Returns noErr, paramErr
// (outContext null, or an empty window), errInvalidWindowRef (not a live
// window's port) or memFullErr.
[[nodiscard]] OSStatus CreateCGContextForPort(CGrafPtr inPort, CGContextRef* outContext);

// Ours: the window's pixels as described above (rows top first); empty
// before the first context was made or for an invalid window.
std::span<const UInt8> GetWindowPixels(WindowRef window);

// Ours: the window's name in the host's transcript ("window 3"); 0 for an
// invalid window.
UInt32 GetWindowHostNumber(WindowRef window);
// Ours, for hosts: the live window the host knows by that number; null when
// there is none.
WindowRef GetWindowFromHostNumber(UInt32 hostNumber);

// Ours: the event module keeps each window's event target in this slot
// (GetWindowEventTarget lives there). Null until set; an invalid window
// reads null and ignores the set.
void* GetWindowEventTargetSlot(WindowRef window);
void SetWindowEventTargetSlot(WindowRef window, void* eventTarget);

// Ours: called by ReleaseWindow before a window goes, so that the owners of
// its slots can dispose of what they hung there. One hook per process (the
// event module's); null removes it.
void SetWindowDisposeHook(std::function<void(WindowRef)> hook);

// Drag handler slots. The Drag Manager calls the handlers; the handler types
// are kept opaque here so that windows do not depend on it: make them with
// NewDragTrackingHandlerUPP / NewDragReceiveHandlerUPP from the handler
// function, and the drag module casts them back to its handler signature.
using DragTrackingHandlerUPP = void (*)();
using DragReceiveHandlerUPP = void (*)();

template <class F>
requires std::is_function_v<F> DragTrackingHandlerUPP NewDragTrackingHandlerUPP(F* handler) {
  return reinterpret_cast<DragTrackingHandlerUPP>(handler);
}
template <class F>
requires std::is_function_v<F> DragReceiveHandlerUPP NewDragReceiveHandlerUPP(F* handler) {
  return reinterpret_cast<DragReceiveHandlerUPP>(handler);
}

struct WindowDragHandler {
  void (*handler)() = nullptr;
  void* refCon = nullptr;
};

// Adds a handler for drags over theWindow (null theWindow: for every window
// of the application), called in installation order. Returns noErr,
// paramErr (handler null, or the same handler and refcon already installed)
// or errInvalidWindowRef.
OSErr InstallTrackingHandler(DragTrackingHandlerUPP trackingHandler, WindowRef theWindow,
                             void* handlerRefCon);
OSErr InstallReceiveHandler(DragReceiveHandlerUPP receiveHandler, WindowRef theWindow,
                            void* handlerRefCon);
// Removes what the matching Install added (for every refcon). Returns noErr,
// paramErr (not installed) or errInvalidWindowRef.
OSErr RemoveTrackingHandler(DragTrackingHandlerUPP trackingHandler, WindowRef theWindow);
OSErr RemoveReceiveHandler(DragReceiveHandlerUPP receiveHandler, WindowRef theWindow);

// Ours, for the drag module: the handlers installed for theWindow (null: the
// application's), in installation order; empty for an invalid window.
// The span is valid until the next install or remove: copy it before calling.
std::span<const WindowDragHandler> GetWindowTrackingHandlers(WindowRef theWindow);
std::span<const WindowDragHandler> GetWindowReceiveHandlers(WindowRef theWindow);
