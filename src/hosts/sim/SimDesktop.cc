#include "hosts/sim/SimDesktop.h"

#include "hosts/sim/SimFileOperations.h"
#include "platform/appleevents/AppleEvents.h"
#include "platform/corefoundation/CoreFoundation.h"
#include "platform/events/Events.h"
#include "platform/events/Notifications.h"
#include "platform/host/Transcript.h"
#include "platform/icons/Icons.h"

namespace {

// A process ended: the application hears of it as 'appl'/6 with the
// process's serial number, through the event queue like any other event.
// Returns the queued event (the caller's reference), or null.
EventRef PostAppTerminated(ProcessSerialNumber psn) {
  EventRef event = nullptr;
  if (CreateEvent(nullptr, kEventClassApplication, kEventAppTerminated, GetCurrentEventTime(),
                  kEventAttributeNone, &event) != noErr)
    return nullptr;
  (void)SetEventParameter(event, kEventParamProcessID, typeProcessSerialNumber, sizeof psn, &psn);
  EventTargetRef application = GetApplicationEventTarget();
  (void)SetEventParameter(event, kEventParamPostTarget, typeEventTargetRef, sizeof application,
                          &application);
  if (PostEventToQueue(GetMainEventQueue(), event, kEventPriorityStandard) != noErr) {
    ReleaseEvent(event);
    return nullptr;
  }
  return event;
}

std::string EventName(AEEventClass eventClass, AEEventID eventID) {
  return "'" + FourCCString(eventClass) + "'/'" + FourCCString(eventID) + "'";
}

}  // namespace

void SimRecorder::Record(std::string_view line) {
  lines.emplace_back(line);
  if (sink) sink(lines.back());
}

SimDesktop::SimDesktop(std::string sandboxHome) : home_(std::move(sandboxHome)) {
  host_.runLoop = &runLoop;
  host_.recorder = &recorder;
  host_.processes = &processes;
  host_.screens = &screens;
  host_.windows = &windows;
  host_.icons = &icons;
  host_.hotKeys = &hotKeys;
  if (!home_.empty()) {
    fileSystem = std::make_unique<SimFileSystem>(home_, home_);
    host_.fileSystem = fileSystem.get();
  }
  host_.privateFunctions = &privateFunctions;
  host_.appleEvents = &appleEvents;
  host_.menuBar = &menuBar;
  host_.alerts = &alerts;
  appleEvents.home = home_;
  launchServices.home = home_;
  host_.launchServices = &launchServices;
  // Aliases in transcribed events show the path they name.
  SetAliasRenderingHome(home_);
  AESetDataRenderer(typeAlias, RenderAliasAsPath);
  host_.input = &input;
  host_.menuTracking = &menuTracking;
  processes.onTerminated = [this](ProcessSerialNumber psn) {
    ForgetDeliveredEvents();
    if (EventRef event = PostAppTerminated(psn)) posted_.push_back(event);
  };
  previous_ = InstallHost(&host_);
  // Menus keep their own references to the icons they are given.
  RegisterIconOwnershipWithMenus();
}

SimDesktop::~SimDesktop() {
  // Events this desktop queued and its loop never delivered go with it.
  for (EventRef event : posted_) {
    if (IsEventInQueue(GetMainEventQueue(), event))
      (void)RemoveEventFromQueue(GetMainEventQueue(), event);
    ReleaseEvent(event);
  }
  AESetDataRenderer(typeAlias, nullptr);
  InstallHost(previous_);
}

void SimDesktop::ForgetDeliveredEvents() {
  std::erase_if(posted_, [](EventRef event) {
    if (IsEventInQueue(GetMainEventQueue(), event)) return false;
    ReleaseEvent(event);
    return true;
  });
}

OSErr SimDesktop::ReceiveAppleEvent(AEEventClass eventClass, AEEventID eventID,
                                    const std::optional<std::string>& directText) {
  const std::string name = EventName(eventClass, eventID);
  const ProcessSerialNumber self = {0, kCurrentProcess};
  AEAddressDesc address;
  AppleEvent event, reply;
  if (AECreateDesc(typeProcessSerialNumber, &self, sizeof self, &address) != noErr)
    return memFullErr;
  OSErr err = AECreateAppleEvent(eventClass, eventID, &address, kAutoGenerateReturnID,
                                 kAnyTransactionID, &event);
  AEDisposeDesc(&address);
  if (err != noErr) return err;
  if (directText) {
    // Senders send plain text where it fits and Unicode text otherwise.
    std::string macRoman;
    if (UTF16ToMacRoman(UTF8ToUTF16(*directText), macRoman))
      (void)AEPutParamPtr(&event, keyDirectObject, typeChar, macRoman.data(),
                          static_cast<Size>(macRoman.size()));
    else
      (void)AEPutParamPtr(&event, keyDirectObject, typeUTF8Text, directText->data(),
                          static_cast<Size>(directText->size()));
  }
  (void)AECreateAppleEvent(kCoreEventClass, kAEAnswer, nullptr, kAutoGenerateReturnID,
                           kAnyTransactionID, &reply);
  Transcribe("apple event received: " + AEDescribe(event));
  err = AEDispatchReceivedEvent(event, &reply);
  SInt32 replyError = 0;
  Size size = 0;
  if (AEGetParamPtr(&reply, keyErrorNumber, typeSInt32, nullptr, &replyError, sizeof replyError,
                    &size) == noErr)
    Transcribe(Fmt("apple event %s replied: error %d", name.c_str(), static_cast<int>(replyError)));
  else
    Transcribe(Fmt("apple event %s replied: no error", name.c_str()));
  AEDisposeDesc(&reply);
  AEDisposeDesc(&event);
  return err;
}

void SimDesktop::PostDistributedNotification(const std::string& name) {
  CFRef<CFStringRef> notification = CFStringFromUTF8(name);
  CFNotificationCenterPostNotification(CFNotificationCenterGetDistributedCenter(), notification,
                                       nullptr, nullptr, true);
}
