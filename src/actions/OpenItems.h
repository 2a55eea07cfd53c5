// Opening items: showing a trigger's menu and acting on the choice, and
// opening files, folders, applications and preference panes.
#pragma once

#include "platform/core/MacTypes.h"
#include "platform/launchservices/LaunchServices.h"

class UtilityMenu;

// The trigger whose menu ShowMenuAndOpenChoice is showing, and acting on
// afterwards; null at every other time. A tab click while it is set is
// refused, so that no second pop-up starts from inside the tracking.
extern UtilityMenu* gActiveTrigger;

// Shows the trigger's menu (beside its tab when anchorToTab) and acts on the
// chosen item by the modifier keys held once the menu has closed: a file,
// folder, application or pane is opened, a running process comes to the
// front; Command alone reveals the item (unless "No Reveal Via Command
// Key"), Option on a process also hides the application that was in front,
// Command-Option on a process hides every other application.
void ShowMenuAndOpenChoice(UtilityMenu* trigger, bool anchorToTab);

// Opens the item: a preference pane in System Preferences, a folder in the
// alternative browser when it runs (or not at all when noDirOpen), anything
// else through Launch Services; an alias onto a volume that is not mounted
// is resolved (the user may be asked to mount it) and opened again.
// noErr, or the failure after one beep.
OSStatus OpenItem(const FSRef* ref, bool noDirOpen);

// Whether the item is a folder the user would browse: an alias file that
// resolves (without asking the user) to a folder, or a container that is
// neither a plain file, a package nor an application.
bool IsFolderItem(const LSItemInfoRecord* info, const FSRef* ref);

// Shows the item in the alternative browser when it runs, else in the
// Finder, and brings that browser forward.
OSStatus RevealItem(const FSRef* ref);
