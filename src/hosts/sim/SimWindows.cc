#include "hosts/sim/SimWindows.h"

#include <algorithm>

#include "platform/core/MacErrors.h"
#include "platform/host/Transcript.h"
#include "platform/windows/WindowEvents.h"

namespace {
std::string Place(const Rect& r) {
  return Fmt("%d,%d %dx%d", r.left, r.top, r.right - r.left, r.bottom - r.top);
}
}  // namespace

const SimWindow* SimWindows::Find(HostWindowID id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

SimWindow* SimWindows::FindMutable(HostWindowID id) {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : &it->second;
}

std::optional<HostWindowID> SimWindows::WindowAt(Point p) const {
  for (HostWindowID id : stacking_) {
    const SimWindow& w = windows_.at(id);
    if (w.visible && p.h >= w.bounds.left && p.h < w.bounds.right && p.v >= w.bounds.top &&
        p.v < w.bounds.bottom)
      return id;
  }
  return std::nullopt;
}

OSStatus SimWindows::Create(UInt32 windowClass, UInt32 attributes, const Rect& bounds,
                            HostWindowID* outID) {
  if (failCreation_) return failCreation_;
  SimWindow w;
  w.id = nextID_++;
  w.windowClass = windowClass;
  w.attributes = attributes;
  w.bounds = bounds;
  windows_.emplace(w.id, w);
  stacking_.insert(stacking_.begin(), w.id);
  Transcribe(Fmt("window %u created: class %u, attributes 0x%08X, at %s",
                 static_cast<unsigned>(w.id), static_cast<unsigned>(windowClass),
                 static_cast<unsigned>(attributes), Place(bounds).c_str()));
  *outID = w.id;
  return 0;
}

void SimWindows::Move(HostWindowID id, const Rect& bounds, bool front) {
  SimWindow* w = FindMutable(id);
  if (!w) return;
  w->bounds = bounds;
  if (front) {
    std::erase(stacking_, id);
    stacking_.insert(stacking_.begin(), id);
  }
  Transcribe(Fmt("window %u moved to %d,%d%s", static_cast<unsigned>(id), bounds.left, bounds.top,
                 front ? " (front)" : ""));
}

OSStatus SimWindows::Paint(HostWindowID id) {
  if (!Find(id)) return errInvalidWindowRef;
  return DeliverWindowPaint(id);
}

void SimWindows::Show(HostWindowID id) {
  SimWindow* w = FindMutable(id);
  if (!w) return;
  const bool wasHidden = !w->visible;
  w->visible = true;
  Transcribe(Fmt("window %u shown", static_cast<unsigned>(id)));
  // A window that comes on screen has nothing to show yet: the desktop asks
  // it to paint, as a window server does.
  if (wasHidden) (void)Paint(id);
}

void SimWindows::Hide(HostWindowID id) {
  SimWindow* w = FindMutable(id);
  if (!w) return;
  w->visible = false;
  Transcribe(Fmt("window %u hidden", static_cast<unsigned>(id)));
}

void SimWindows::SetAttributes(HostWindowID id, UInt32 attributes) {
  SimWindow* w = FindMutable(id);
  if (!w) return;
  w->attributes = attributes;
  Transcribe(Fmt("window %u attributes 0x%08X", static_cast<unsigned>(id),
                 static_cast<unsigned>(attributes)));
}

void SimWindows::Release(HostWindowID id) {
  if (!windows_.erase(id)) return;
  std::erase(stacking_, id);
  Transcribe(Fmt("window %u released", static_cast<unsigned>(id)));
}

void SimWindows::Drawn(HostWindowID id, std::span<const UInt8> rgba, UInt32 width, UInt32 height) {
  SimWindow* w = FindMutable(id);
  if (!w) return;
  w->pixels.assign(rgba.begin(), rgba.end());
  w->pixelWidth = width;
  w->pixelHeight = height;
  ++w->drawCount;
  Transcribe(Fmt("window %u drawn", static_cast<unsigned>(id)));
}
