// Start-up, in the order the rest of the agent relies on: settings before
// handlers, handlers before key bindings and triggers, and the front process
// handed back before the loop runs.
#include "shell/Startup.h"

#include <algorithm>

#include "bindings/KeyBindings.h"
#include "menus/FolderListing.h"
#include "menus/MenuBuilder.h"
#include "platform/bundles/Bundle.h"
#include "platform/events/Events.h"
#include "platform/host/Transcript.h"
#include "platform/interface/Cocoa.h"
#include "platform/interface/Nibs.h"
#include "platform/processes/Gestalt.h"
#include "platform/processes/Processes.h"
#include "platform/processes/SystemUIMode.h"
#include "shell/AppHandlers.h"
#include "shell/FrontProcess.h"
#include "shell/Settings.h"
#include "triggers/Triggers.h"

namespace {

// Replaces a placeholder text by its localized form. The texts live as long
// as the process; a second start-up (tests) releases the previous one.
void SetLocalizedText(CFStringRef* text, const char* key) {
  CFRef<CFStringRef> localized =
      CFBundleCopyLocalizedString(CFBundleGetMainBundle(), CFSTR(key), nullptr, nullptr);
  if (!localized) return;
  CFStringRef previous = *text;
  *text = localized.Detach();
  if (previous) CFRelease(previous);
}

// The name of the hidden-names file, and the placeholder texts of folder
// submenus in the user's language.
void PrepareTexts() {
  constexpr UniCharCount length = std::size(kHiddenListFileName) - 1;
  std::copy_n(kHiddenListFileName, length, gHiddenListName);
  gHiddenListNameLength = length;
  SetLocalizedText(&gEmptyFolderText, kEmptyFolderKey);
  SetLocalizedText(&gUnavailableText, kUnavailableKey);
}

// The agent came to the front by being started; whoever was in
// front before gets it back, or the Finder when that was the agent itself.
void HandFrontBack() {
  const ProcessSerialNumber self = {0, kCurrentProcess};
  ProcessSerialNumber front;
  const bool frontKnown = GetFrontProcess(&front) == noErr;
  Boolean same = false;
  if (frontKnown && SameProcess(&front, &self, &same) != noErr) same = false;
  (void)SetFrontProcess(&self);
  // Without a known front process there is nobody to hand back to, and the
  // background agent must not keep the front: the Finder gets it.
  if (same || !frontKnown)
    ActivateFinder();
  else
    (void)SetFrontProcessWithOptions(&front, kSetFrontProcessFrontWindowOnly);
}

}  // namespace

void ActivateFinder() {
  ProcessSerialNumber finder;
  ProcessInfoRec info;
  info.processInfoLength = kProcessInfoRecLength;
  info.processName = nullptr;
  info.processAppSpec = nullptr;
  if (FindProcessBySignature(kFinderType, kFinderCreator, &finder, &info) == noErr)
    (void)SetFrontProcessWithOptions(&finder, kSetFrontProcessFrontWindowOnly);
}

int KorvaneMain() {
  SInt32 version = 0;
  if (Gestalt(gestaltSystemVersion, &version) != noErr ||
      version <= kLastUnsupportedSystemVersion) {
    Transcribe("start-up: the system is older than 10.1");
    return kResultSystemTooOld;
  }
  // While the agent is in front, no menu bar and no Dock are shown.
  (void)SetSystemUIMode(kUIModeAllHidden, 0);
  // Ended children (the drag-out helpers) are reaped when they end.
  InstallChildExitHandler();
  Transcribe("child exit handler installed");
  // Settings first: handlers, key bindings and triggers all read them.
  CFRef<CFArrayRef> menus = LoadSettings();
  InstallAppHandlers();
  PrepareTexts();
  // Without the interface file the agent stops quietly, before the loop.
  IBNibRef nib = nullptr;
  if (CreateNibReference(CFSTR(kMainNibName), &nib) != noErr) {
    Transcribe("start-up: no interface file \"main\"");
    return kResultDone;
  }
  (void)SetMenuBarFromNib(nib, CFSTR(kMenuBarName));
  // The parked window, never shown, off screen at the front.
  if (CreateNewWindow(kUtilityWindowClass, kParkedWindowAttributes, &kParkedWindowBounds,
                      &gParkedWindow) != noErr) {
    DisposeNibReference(nib);
    Transcribe("start-up: the parked window cannot be created");
    return kResultDone;
  }
  (void)ChangeWindowAttributes(gParkedWindow, kWindowNoConstrainAttribute, kWindowNoAttributes);
  MoveWindow(gParkedWindow, kParkedWindowLeft, kParkedWindowTop, true);
  DisposeNibReference(nib);
  // The hot keys of the stored key bindings.
  LoadKeyBindings();
  // One trigger per stored menu, in the stored order.
  if (menus) {
    CFArrayApplyFunction(menus, CFRangeMake(0, CFArrayGetCount(menus)), CreateTrigger, nullptr);
    menus.reset();
  }
  // The object framework, for the bundles, tasks and path strings used later.
  (void)NSApplicationLoad();
  HandFrontBack();
  ShowMenuBar();
  // The loop the one-shot timers are installed on.
  gMainEventLoop = GetCurrentEventLoop();
  Transcribe("event loop running");
  RunApplicationEventLoop();
  Transcribe("event loop ended");
  return kResultDone;
}

void TearDownAgentForTesting() {
  DestroyTriggersForTesting();
  UnloadKeyBindings();
  RemoveAppHandlersForTesting();
  if (gKeyBindingEntries) CFRelease(gKeyBindingEntries);
  gKeyBindingEntries = nullptr;
}
