// The host's side of windows: what is on screen. The layer (platform/
// Windows.h) keeps the window objects, their attributes, bounds, pixels and
// handler slots; it tells the host every change so that the host can show it
// (and, on the simulated desktop, transcribe it).
#pragma once

#include <span>

#include "platform/core/MacTypes.h"

using HostWindowID = UInt32;

class HostWindows {
 public:
  virtual ~HostWindows() = default;
  // Creates an invisible window. On success *outID names it in every later
  // call and in the transcript ("window 1"); on failure nothing was created.
  virtual OSStatus Create(UInt32 windowClass, UInt32 attributes, const Rect& bounds,
                          HostWindowID* outID) = 0;
  // bounds: the new global content bounds; front: raise it above the others.
  virtual void Move(HostWindowID id, const Rect& bounds, bool front) = 0;
  virtual void Show(HostWindowID id) = 0;
  virtual void Hide(HostWindowID id) = 0;
  virtual void SetAttributes(HostWindowID id, UInt32 attributes) = 0;
  virtual void Release(HostWindowID id) = 0;
  // The agent flushed a drawing into the window: rgba holds its pixels, rows
  // top first, premultiplied, width x 4 bytes per row. Valid for the call.
  virtual void Drawn(HostWindowID id, std::span<const UInt8> rgba, UInt32 width, UInt32 height) = 0;
};
