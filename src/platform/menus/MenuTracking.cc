// Pop-up menu tracking: the session that turns what the host reports into
// menu events, and PopUpMenuSelect around it.
#include "platform/menus/MenuTracking.h"

#include <algorithm>

#include "platform/corefoundation/CoreFoundation.h"
#include "platform/events/Notifications.h"
#include "platform/host/Host.h"
#include "platform/menus/HostMenuTracking.h"
#include "platform/menus/MenuEvents.h"
#include "platform/menus/MenusInternal.h"

namespace {

// The session being tracked, for the tracking target's key handler.
MenuTrackingSession* gSession = nullptr;

constexpr const char* kBeginTracking = "com.apple.HIToolbox.beginMenuTrackingNotification";
constexpr const char* kEndTracking = "com.apple.HIToolbox.endMenuTrackingNotification";

void PostTrackingNotification(const char* name) {
  CFRef<CFStringRef> text = CFStringFromUTF8(name);
  CFNotificationCenterPostNotification(CFNotificationCenterGetDistributedCenter(), text, nullptr,
                                       nullptr, true);
}

// Queued keyboard events reach the innermost open menu as the host's do; an
// Escape key-down then ends the tracking, as it does when the user presses it.
OSStatus TrackingKeyHandler(EventHandlerCallRef, EventRef event, void*) {
  MenuTrackingSession* session = gSession;
  if (!session || session->Finished()) return eventNotHandledErr;
  UInt32 keyCode = 0;
  UInt32 modifiers = 0;
  (void)GetEventParameter(event, kEventParamKeyCode, typeUInt32, nullptr, sizeof keyCode, nullptr,
                          &keyCode);
  (void)GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, sizeof modifiers,
                          nullptr, &modifiers);
  const UInt32 kind = GetEventKind(event);
  session->Key(kind, keyCode, modifiers);
  if (kind == kEventRawKeyDown && keyCode == kEscapeKeyCode && !session->Finished()) {
    session->Cancel();
    if (HostMenuTracking* host = CurrentHost().menuTracking) host->EndTracking(*session);
  }
  return noErr;
}

// Made once and kept: the target queued events go to while a menu is
// tracked.
EventTargetRef TrackingTarget() {
  static EventTargetRef target = [] {
    EventTargetRef t = CreateEventTarget(GetApplicationEventTarget(), "menu tracking");
    static const EventTypeSpec kKeys[] = {{kEventClassKeyboard, kEventRawKeyDown},
                                          {kEventClassKeyboard, kEventRawKeyRepeat},
                                          {kEventClassKeyboard, kEventRawKeyModifiersChanged}};
    (void)InstallEventHandler(t, TrackingKeyHandler, GetEventTypeCount(kKeys), kKeys, nullptr,
                              nullptr);
    return t;
  }();
  return target;
}

}  // namespace

void CalcMenuSize(MenuRef theMenu) {
  OpaqueMenuRef* m = menus::Find(theMenu);
  if (!m) return;
  SInt16 width = 0;
  SInt16 height = 0;
  if (HostMenuTracking* host = CurrentHost().menuTracking) host->Measure(theMenu, &width, &height);
  m->width = width;
  m->height = height;
}

SInt16 GetMenuWidth(MenuRef menu) {
  const OpaqueMenuRef* m = menus::Find(menu);
  return m ? m->width : 0;
}

SInt16 GetMenuHeight(MenuRef menu) {
  const OpaqueMenuRef* m = menus::Find(menu);
  return m ? m->height : 0;
}

bool IsMenuTrackingActive() { return gSession != nullptr; }

SInt32 PopUpMenuSelect(MenuRef menu, short top, short left, short /*popUpItem*/) {
  HostMenuTracking* host = CurrentHost().menuTracking;
  if (!host || gSession || !IsValidMenu(menu)) return 0;
  // The menu stays alive until the tracking is over, whatever its owner
  // does meanwhile.
  (void)RetainMenu(menu);
  PostTrackingNotification(kBeginTracking);
  EventTargetRef previousFocus = GetUserFocusEventTarget();
  SInt32 result = 0;
  {
    MenuTrackingSession session(menu, Point{top, left});
    gSession = &session;
    SetUserFocusEventTarget(TrackingTarget());
    session.Opened(menu);
    host->Track(session);
    // A host whose loop ended without a choice (its desktop went away)
    // leaves nothing chosen.
    if (!session.Finished()) session.Cancel();
    // Whatever is still open closes, the innermost menu first.
    session.Closed(menu);
    result = session.Result();
    gSession = nullptr;
  }
  SetUserFocusEventTarget(previousFocus == GetApplicationEventTarget() ? nullptr : previousFocus);
  PostTrackingNotification(kEndTracking);
  (void)ReleaseMenu(menu);
  return result;
}

// ----------------------------------------------------------------- session

MenuTrackingSession::MenuTrackingSession(MenuRef menu, Point location)
    : menu_(menu), location_(location) {}

MenuTrackingSession::~MenuTrackingSession() = default;

MenuTrackingSession::Known MenuTrackingSession::Remember(MenuRef menu) {
  const OpaqueMenuRef* m = menus::Find(menu);
  return Known{menu, m ? m->serial : 0};
}

bool MenuTrackingSession::StillLive(const Known& known) {
  const OpaqueMenuRef* m = menus::Find(known.ref);
  return m && m->serial == known.serial;
}

bool MenuTrackingSession::WasOpened(MenuRef menu) const {
  return std::any_of(everOpened_.begin(), everOpened_.end(),
                     [menu](const Known& k) { return k.ref == menu && StillLive(k); });
}

std::vector<MenuRef> MenuTrackingSession::OpenMenus() const {
  std::vector<MenuRef> menus;
  for (const Known& k : open_)
    if (StillLive(k)) menus.push_back(k.ref);
  return menus;
}

void MenuTrackingSession::Send(UInt32 eventClass, UInt32 kind, MenuRef menu, MenuItemIndex item,
                               bool withItem) {
  EventTargetRef target = GetMenuEventTarget(menu);
  if (!target) return;
  EventRef event = nullptr;
  if (CreateEvent(nullptr, eventClass, kind, GetCurrentEventTime(), kEventAttributeNone, &event) !=
      noErr)
    return;
  (void)SetEventParameter(event, kEventParamDirectObject, typeMenuRef, sizeof menu, &menu);
  if (withItem)
    (void)SetEventParameter(event, kEventParamMenuItemIndex, typeMenuItemIndex, sizeof item, &item);
  if (kind == kEventMenuOpening) {
    const Boolean first = !WasOpened(menu);
    (void)SetEventParameter(event, kEventParamMenuFirstOpen, typeBoolean, sizeof first, &first);
  }
  if (kind == kEventMenuTargetItem) {
    MenuCommand command = 0;
    if (const auto view = GetMenuItemView(menu, item)) command = view->command;
    (void)SetEventParameter(event, kEventParamMenuCommand, typeMenuCommand, sizeof command,
                            &command);
  }
  (void)SendEventToEventTarget(event, target);
  ReleaseEvent(event);
}

void MenuTrackingSession::Opened(MenuRef menu) {
  if (finished_ || !IsValidMenu(menu)) return;
  const bool alreadyOpen = std::any_of(
      open_.begin(), open_.end(), [menu](const Known& k) { return k.ref == menu && StillLive(k); });
  if (alreadyOpen) return;
  Send(kEventClassMenu, kEventMenuOpening, menu, 0, false);
  // The handlers may have disposed of it.
  if (!IsValidMenu(menu)) return;
  if (!WasOpened(menu)) everOpened_.push_back(Remember(menu));
  open_.push_back(Remember(menu));
}

void MenuTrackingSession::Closed(MenuRef menu) {
  const auto at = std::find_if(open_.begin(), open_.end(),
                               [menu](const Known& k) { return k.ref == menu && StillLive(k); });
  if (at == open_.end()) return;
  // The menus opened from it close with it, the innermost first; a menu
  // that went away while open gets no event.
  std::vector<Known> closing(at, open_.end());
  open_.erase(at, open_.end());
  for (auto it = closing.rbegin(); it != closing.rend(); ++it)
    if (StillLive(*it)) Send(kEventClassMenu, kEventMenuClosed, it->ref, 0, false);
}

void MenuTrackingSession::TargetItem(MenuRef menu, MenuItemIndex item) {
  if (finished_ || !IsValidMenu(menu)) return;
  Send(kEventClassMenu, kEventMenuTargetItem, menu, item, true);
}

void MenuTrackingSession::DrawItem(MenuRef menu, MenuItemIndex item, ThemeMenuState state) {
  if (finished_ || !IsValidMenu(menu) || item == 0 || item > CountMenuItems(menu)) return;
  EventTargetRef target = GetMenuEventTarget(menu);
  EventRef event = nullptr;
  if (!target || CreateEvent(nullptr, kEventClassMenu, kEventMenuDrawItem, GetCurrentEventTime(),
                             kEventAttributeNone, &event) != noErr)
    return;
  (void)SetEventParameter(event, kEventParamDirectObject, typeMenuRef, sizeof menu, &menu);
  (void)SetEventParameter(event, kEventParamMenuItemIndex, typeMenuItemIndex, sizeof item, &item);
  (void)SetEventParameter(event, kEventParamMenuDrawState, typeThemeMenuState, sizeof state,
                          &state);
  (void)SendEventToEventTarget(event, target);
  ReleaseEvent(event);
}

void MenuTrackingSession::Key(UInt32 kind, UInt32 keyCode, UInt32 modifiers) {
  if (finished_) return;
  const std::vector<MenuRef> open = OpenMenus();
  if (open.empty()) return;
  MenuRef innermost = open.back();
  EventTargetRef target = GetMenuEventTarget(innermost);
  EventRef event = nullptr;
  if (!target || CreateEvent(nullptr, kEventClassKeyboard, kind, GetCurrentEventTime(),
                             kEventAttributeNone, &event) != noErr)
    return;
  if (kind != kEventRawKeyModifiersChanged)
    (void)SetEventParameter(event, kEventParamKeyCode, typeUInt32, sizeof keyCode, &keyCode);
  (void)SetEventParameter(event, kEventParamKeyModifiers, typeUInt32, sizeof modifiers, &modifiers);
  (void)SendEventToEventTarget(event, target);
  ReleaseEvent(event);
}

void MenuTrackingSession::Choose(MenuRef menu, MenuItemIndex item) {
  if (finished_) return;
  finished_ = true;
  chosen_ = Remember(menu);
  chosenItem_ = item;
}

void MenuTrackingSession::Cancel() { finished_ = true; }

SInt32 MenuTrackingSession::Result() const {
  // The menus may have changed under the pointer: only an enabled item of a
  // menu that is still there, and was open in this tracking, is a choice.
  if (!chosen_.ref || !StillLive(chosen_) || !WasOpened(chosen_.ref)) return 0;
  const auto view = GetMenuItemView(chosen_.ref, chosenItem_);
  if (!view || view->isSeparator || view->hidden || !view->enabled) return 0;
  // Releasing on an item that leads to a submenu chooses nothing, unless
  // the item says it can be chosen itself.
  if (view->submenu && !(view->attributes & kMenuItemAttrSubmenuParentChoosable)) return 0;
  const auto menuView = GetMenuView(chosen_.ref);
  if (!menuView || !menuView->enabled) return 0;
  return static_cast<SInt32>((static_cast<UInt32>(static_cast<UInt16>(menuView->id)) << 16) |
                             chosenItem_);
}
