// Builds a trigger's menu from its sources and keeps it current: rebuilt
// incrementally before every pop-up, each source either leaving its items in
// place or replacing exactly its own range. Folder submenus fill when they
// open.
#pragma once

#include "menus/ItemRecords.h"
#include "platform/Events.h"

class UtilityMenu;

extern bool gInitialBuild;
extern SInt32 gOpenMenuCount;
extern CFStringRef gUnavailableText;
extern CFStringRef gEmptyFolderText;

void PrepareSource(const void* entry, void* trigger);
void RebuildMenu(UtilityMenu* trigger);
void BuildSource(const void* source, void* trigger);
bool ParseSourceType(CFTypeRef value, OSType* code, bool* isSeparator);
OSErr ResolveSourceLocation(CFDictionaryRef source, CFStringRef url, OSType typeCode, FSRef* out);
bool InsertSingleItem(const FSRef* ref, MenuRef menu, UtilityMenu* trigger, CFStringRef text,
                      UInt32 lsFlags, const DisplayPrefs* prefs, UInt16 iconSize);
MenuRef AttachSourceSubmenu(CFMutableDictionaryRef source, const FSRef* ref, MenuRef menu,
                            UtilityMenu* trigger, const DisplayPrefs* prefs, UInt16 iconSize);
// The installer passed down to every menu subsystem 3 creates.
void InstallMenuHandlers(MenuRef menu, void* trigger);
OSStatus MenuOpeningHandler(EventHandlerCallRef callRef, EventRef event, void* trigger);
void PopulateSubmenu(UtilityMenu* trigger, MenuRef menu);
void RefreshFolderMenu(MenuRef menu, bool makeSubmenus, const DisplayPrefs* prefs,
                       MenuInstaller installer, void* refcon);
bool FolderChanged(const FSRef* ref, const UTCDateTime* stored, UTCDateTime* outDate,
                   OSStatus* outStatus);
