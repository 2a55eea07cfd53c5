#include "platform/windows/Screens.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/core/MacErrors.h"
#include "platform/host/Host.h"
#include "platform/windows/HostScreens.h"

namespace {

// A device record and its master pointer: a GDHandle points at master, which
// points at device, so (**gd).gdRect reads as on the Mac.
struct DeviceSlot {
  GDevice device;
  GDPtr master = &device;
  bool present = false;
};

// Slots are never freed: a handle the agent keeps must not dangle when its
// screen goes and comes back. There are only ever a handful of screens.
std::vector<std::unique_ptr<DeviceSlot>> gSlots;
// The present devices, in the host's order, after the last Refresh.
std::vector<DeviceSlot*> gOrder;

struct NotifyEntry {
  DMExtendedNotificationUPP proc;
  void* userData;
};
std::vector<NotifyEntry> gNotifyProcs;

constexpr UInt16 Bit(SInt16 attribute) { return static_cast<UInt16>(1u << attribute); }

DeviceSlot* SlotFor(UInt32 hostID) {
  for (auto& slot : gSlots)
    if (slot->device.hostScreenID == hostID) return slot.get();
  auto& slot = gSlots.emplace_back(std::make_unique<DeviceSlot>());
  slot->device.hostScreenID = hostID;
  slot->device.gdRefNum = static_cast<SInt16>(gSlots.size());
  slot->device.gdID = static_cast<SInt16>(gSlots.size());
  return slot.get();
}

// Brings the records in line with what the host reports now.
void Refresh() {
  for (auto& slot : gSlots) slot->present = false;
  gOrder.clear();
  HostScreens* host = CurrentHost().screens;
  std::vector<HostScreen> screens = host ? host->Screens() : std::vector<HostScreen>{};
  bool mainTaken = false;
  for (const HostScreen& screen : screens) {
    DeviceSlot* slot = SlotFor(screen.id);
    if (slot->present) continue;  // a host listing one screen twice: keep the first
    slot->present = true;
    GDevice& d = slot->device;
    d.gdRect = screen.bounds;
    d.gdFlags = Bit(screenDevice);
    if (screen.active) d.gdFlags |= Bit(screenActive);
    // Only one device can carry the menu bar.
    if (screen.main && !mainTaken) {
      d.gdFlags |= Bit(mainScreen);
      mainTaken = true;
    }
    gOrder.push_back(slot);
  }
  for (auto& slot : gSlots) {
    if (!slot->present) slot->device.gdFlags = 0;
    slot->device.gdNextGD = nullptr;
  }
  for (std::size_t i = 0; i + 1 < gOrder.size(); ++i)
    gOrder[i]->device.gdNextGD = &gOrder[i + 1]->master;
}

GDHandle HandleOf(DeviceSlot* slot) { return &slot->master; }

// Position of gd among the present devices; gOrder.size() when absent.
std::size_t IndexOf(GDHandle gd) {
  for (std::size_t i = 0; i < gOrder.size(); ++i)
    if (HandleOf(gOrder[i]) == gd) return i;
  return gOrder.size();
}

GDHandle FirstScreenFrom(std::size_t start, bool activeOnly) {
  for (std::size_t i = start; i < gOrder.size(); ++i) {
    UInt16 flags = gOrder[i]->device.gdFlags;
    if (activeOnly && !(flags & Bit(screenActive))) continue;
    return HandleOf(gOrder[i]);
  }
  return nullptr;
}

}  // namespace

GDHandle GetMainDevice() {
  Refresh();
  for (DeviceSlot* slot : gOrder)
    if (slot->device.gdFlags & Bit(mainScreen)) return HandleOf(slot);
  return nullptr;
}

GDHandle GetDeviceList() {
  Refresh();
  return gOrder.empty() ? nullptr : HandleOf(gOrder.front());
}

GDHandle GetNextDevice(GDHandle curDevice) {
  Refresh();
  std::size_t i = IndexOf(curDevice);
  return i + 1 < gOrder.size() ? HandleOf(gOrder[i + 1]) : nullptr;
}

Boolean TestDeviceAttribute(GDHandle gdh, SInt16 attribute) {
  if (!gdh || !*gdh || attribute < 0 || attribute > 15) return false;
  Refresh();
  return ((**gdh).gdFlags & Bit(attribute)) != 0;
}

GDHandle DMGetFirstScreenDevice(Boolean activeOnly) {
  Refresh();
  return FirstScreenFrom(0, activeOnly);
}

GDHandle DMGetNextScreenDevice(GDHandle theDevice, Boolean activeOnly) {
  Refresh();
  std::size_t i = IndexOf(theDevice);
  if (i == gOrder.size()) return nullptr;
  return FirstScreenFrom(i + 1, activeOnly);
}

OSErr DMRegisterExtendedNotifyProc(DMExtendedNotificationUPP notifyProc, void* notifyUserData,
                                   UInt16 /*notifyOnFlags*/, ProcessSerialNumber* /*whichPSN*/) {
  if (!notifyProc) return paramErr;
  for (const NotifyEntry& e : gNotifyProcs)
    if (e.proc == notifyProc && e.userData == notifyUserData) return noErr;
  gNotifyProcs.push_back({notifyProc, notifyUserData});
  return noErr;
}

OSErr DMRemoveExtendedNotifyProc(DMExtendedNotificationUPP notifyProc, void* notifyUserData,
                                 ProcessSerialNumber* /*whichPSN*/, UInt16 /*removeFlags*/) {
  auto it = std::find_if(gNotifyProcs.begin(), gNotifyProcs.end(), [&](const NotifyEntry& e) {
    return e.proc == notifyProc && e.userData == notifyUserData;
  });
  if (it == gNotifyProcs.end()) return paramErr;
  gNotifyProcs.erase(it);
  return noErr;
}

void DeliverDisplayNotification(SInt16 message) {
  // A copy, so that procedures may register or remove others while called.
  std::vector<NotifyEntry> procs = gNotifyProcs;
  for (const NotifyEntry& e : procs) e.proc(e.userData, message, nullptr);
}
