// The single items sources insert: one file, application or folder, and the
// parent item of a generated list's submenu.
#include "bindings/KeyBindings.h"
#include "common/IconRendering.h"
#include "menus/MenuBuilder.h"
#include "menus/WorkingSources.h"
#include "platform/icons/Icons.h"
#include "platform/launchservices/LaunchServices.h"
#include "triggers/Triggers.h"

namespace {

// The text of an item that has neither a text nor a file to name it.
constexpr const char* kBlankText = " ";

}  // namespace

bool InsertSingleItem(const FSRef* ref, MenuRef menu, UtilityMenu* trigger, CFStringRef text,
                      UInt32 lsFlags, const DisplayPrefs* prefs, UInt16 iconSize) {
  // An item whose display name cannot be had is not inserted.
  CFRef<CFStringRef> displayName;
  if (!text) {
    if (ref) {
      CFStringRef name = nullptr;
      if (LSCopyDisplayNameForRef(ref, &name) != noErr) return false;
      displayName.reset(name);
      text = name;
    } else {
      text = CFSTR(kBlankText);
    }
  }
  // An image rendered at the menu's size, or the IconRef itself
  // when the size is 0 (the system's own size).
  void* icon = nullptr;
  bool iconIsImage = false;
  if (prefs->useIcons && ref) {
    if (iconSize != 0) {
      icon = GetFileIconImage(ref, iconSize, kTransformNone);
      iconIsImage = true;
    } else {
      IconRef iconRef = nullptr;
      if (GetIconRefFromFileInfo(ref, 0, nullptr, kFSCatInfoNone, nullptr,
                                 kIconServicesNormalUsageFlag, &iconRef, nullptr) == noErr)
        icon = iconRef;
    }
  }
  // The node ID ties the item to its key binding.
  UInt32 nodeID = 0;
  FSCatalogInfo info;
  if (ref && FSGetCatalogInfo(ref, kFSCatInfoNodeID, &info, nullptr, nullptr, nullptr) == noErr)
    nodeID = info.nodeID;
  // An item the menu refused is not counted.
  const MenuItemIndex index = trigger->nextItemIndex;
  if (InsertFileItem(menu, text, ref, icon, iconIsImage, index - 1, nodeID, lsFlags) != noErr)
    return false;
  if (nodeID != 0) ShowItemKeyBinding(nodeID, menu, index);
  return true;
}

MenuRef AttachSourceSubmenu(CFMutableDictionaryRef source, const FSRef* ref, MenuRef menu,
                            UtilityMenu* trigger, const DisplayPrefs* prefs, UInt16 iconSize) {
  // Made once; it survives rebuilds.
  if (MenuRef existing = SourceSubmenu(source)) return existing;
  const UInt32 flags = ref ? BasicFlagsOf(ref) : 0;
  CFStringRef text = SourceString(source, kSourceTextKey);
  if (!text) text = SourceString(source, kSourceDefaultNameKey);
  if (!InsertSingleItem(ref, menu, trigger, text, flags, prefs, iconSize)) return nullptr;
  const MenuItemIndex index = trigger->nextItemIndex;
  // Without a submenu the parent item would be a range nobody counts.
  MenuRef submenu = nullptr;
  if (CreateAgentMenu(&submenu) != noErr) {
    DeleteItemRange(menu, index, index);
    return nullptr;
  }
  InstallMenuHandlers(submenu, trigger);
  SetSourceSubmenu(source, submenu);
  SetMenuItemHierarchicalMenu(menu, index, submenu);
  SetMenuItemProperty(submenu, 0, kSKIDCreator, kPrefTag, kPrefTagSize, prefs);
  if (prefs->fontID != -1) {
    SetMenuFont(submenu, prefs->fontID, prefs->fontSize);
  } else {
    SInt16 fontID = 0;
    UInt16 fontSize = 0;
    if (GetMenuFont(menu, &fontID, &fontSize) == noErr) SetMenuFont(submenu, fontID, fontSize);
  }
  const SInt16 submenuIconSize = prefs->iconSize;
  SetMenuItemProperty(submenu, 0, kSKIDCreator, kIconTag, kIconTagSize, &submenuIconSize);
  // No 'FILE': the submenu is never filled lazily; every rebuild remakes it.
  return submenu;
}
