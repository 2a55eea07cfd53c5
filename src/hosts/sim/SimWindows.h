// The simulated desktop's windows: what the agent has put on screen, in
// stacking order, with the last picture drawn into each. Every change is
// transcribed under the window's number ("window 1"), given in creation
// order.
#pragma once

#include <map>
#include <optional>
#include <vector>

#include "platform/windows/HostWindows.h"

struct SimWindow {
  HostWindowID id = 0;
  UInt32 windowClass = 0;
  UInt32 attributes = 0;
  Rect bounds = {};
  bool visible = false;
  // The last flushed picture: premultiplied RGBA, rows top first.
  std::vector<UInt8> pixels;
  UInt32 pixelWidth = 0;
  UInt32 pixelHeight = 0;
  int drawCount = 0;
};

class SimWindows final : public HostWindows {
 public:
  // Every creation from now on fails with status (noErr: succeed again), as
  // when the window server refuses.
  void FailCreation(OSStatus status) { failCreation_ = status; }

  const SimWindow* Find(HostWindowID id) const;
  std::size_t Count() const { return windows_.size(); }
  // Front to back.
  const std::vector<HostWindowID>& StackingOrder() const { return stacking_; }
  // The frontmost visible window whose bounds contain the point.
  std::optional<HostWindowID> WindowAt(Point globalPoint) const;
  // The desktop asks the window to paint itself, as it does by itself
  // whenever a hidden window is shown: the agent gets kEventWindowPaint.
  // Returns the agent's status, errInvalidWindowRef for an unknown window.
  OSStatus Paint(HostWindowID id);

  // HostWindows
  OSStatus Create(UInt32 windowClass, UInt32 attributes, const Rect& bounds,
                  HostWindowID* outID) override;
  void Move(HostWindowID id, const Rect& bounds, bool front) override;
  void Show(HostWindowID id) override;
  void Hide(HostWindowID id) override;
  void SetAttributes(HostWindowID id, UInt32 attributes) override;
  void Release(HostWindowID id) override;
  void Drawn(HostWindowID id, std::span<const UInt8> rgba, UInt32 width, UInt32 height) override;

 private:
  SimWindow* FindMutable(HostWindowID id);

  std::map<HostWindowID, SimWindow> windows_;
  std::vector<HostWindowID> stacking_;
  HostWindowID nextID_ = 1;
  OSStatus failCreation_ = 0;
};
