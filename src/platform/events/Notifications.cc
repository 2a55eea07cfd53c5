#include "platform/events/Notifications.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/host/Transcript.h"

namespace {

struct Observation {
  const void* observer = nullptr;
  CFNotificationCallback callBack = nullptr;
  CFRef<CFStringRef> name;       // null: every notification
  const void* object = nullptr;  // null: any object
  bool retainsObject = false;
  bool removed = false;

  Observation() = default;
  Observation(const Observation&) = delete;
  Observation& operator=(const Observation&) = delete;
  ~Observation() {
    if (retainsObject && object) CFRelease(static_cast<CFTypeRef>(object));
  }
};

std::string NameText(CFStringRef name) { return name ? CFStringToUTF8(name) : "(all)"; }

}  // namespace

struct __CFNotificationCenter {
  bool distributed = false;
  // In the order added. Shared so that a posting in progress keeps an
  // observation alive that is removed meanwhile.
  std::vector<std::shared_ptr<Observation>> observations;

  bool SameObject(const void* a, const void* b) const {
    if (a == b) return true;
    if (!distributed || !a || !b) return false;
    return CFEqual(static_cast<CFTypeRef>(a), static_cast<CFTypeRef>(b));
  }

  template <class Pred>
  void RemoveIf(Pred pred) {
    auto gone = std::stable_partition(observations.begin(), observations.end(),
                                      [&](const auto& o) { return !pred(*o); });
    for (auto it = gone; it != observations.end(); ++it) {
      (*it)->removed = true;
      Transcribe("observer removed: " + NameText((*it)->name));
    }
    observations.erase(gone, observations.end());
  }
};

CFNotificationCenterRef CFNotificationCenterGetDistributedCenter() {
  static __CFNotificationCenter center{true, {}};
  return &center;
}

CFNotificationCenterRef CFNotificationCenterGetLocalCenter() {
  static __CFNotificationCenter center{false, {}};
  return &center;
}

void CFNotificationCenterAddObserver(CFNotificationCenterRef center, const void* observer,
                                     CFNotificationCallback callBack, CFStringRef name,
                                     const void* object, CFNotificationSuspensionBehavior) {
  if (!center || !callBack) return;
  auto o = std::make_shared<Observation>();
  o->observer = observer;
  o->callBack = callBack;
  o->name = CFRef<CFStringRef>::Retain(name);
  o->object = object;
  if (center->distributed && object) {
    CFRetain(static_cast<CFTypeRef>(object));
    o->retainsObject = true;
  }
  center->observations.push_back(std::move(o));
  Transcribe("observer added: " + NameText(name));
}

void CFNotificationCenterRemoveObserver(CFNotificationCenterRef center, const void* observer,
                                        CFNotificationName name, const void* object) {
  if (!center) return;
  center->RemoveIf([&](const Observation& o) {
    return o.observer == observer && (!name || (o.name && CFEqual(o.name, name))) &&
           (!object || center->SameObject(o.object, object));
  });
}

void CFNotificationCenterRemoveEveryObserver(CFNotificationCenterRef center, const void* observer) {
  CFNotificationCenterRemoveObserver(center, observer, nullptr, nullptr);
}

void CFNotificationCenterPostNotification(CFNotificationCenterRef center, CFNotificationName name,
                                          const void* object, CFDictionaryRef userInfo, Boolean) {
  if (!center || !name) return;
  // Held for the whole delivery: an observer may release the caller's copy.
  CFRef<CFStringRef> heldName = CFRef<CFStringRef>::Retain(name);
  Transcribe("notification posted: " + NameText(name));
  const auto snapshot = center->observations;
  for (const auto& o : snapshot) {
    if (o->removed) continue;
    if (o->name && !CFEqual(o->name, heldName)) continue;
    if (o->object && !center->SameObject(o->object, object)) continue;
    o->callBack(center, const_cast<void*>(o->observer), heldName, object, userInfo);
  }
}
