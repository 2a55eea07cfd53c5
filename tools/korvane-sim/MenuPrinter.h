// Menu trees as transcript lines, for scenarios that check what a menu holds.
#pragma once

#include <string>
#include <vector>

#include "platform/menus/Menus.h"

// One line for the menu, then one per item, submenus indented below their
// items:
//   | menu 0: 2 items
//   |   1. "Documents" icon:folder > menu 1: 1 item
//   |     1. "a.txt" key=opt+cmd+vk40 icon:document
//   |   2. "Notes" disabled
// With properties, each item's (and each menu's own) 'SKID' properties
// follow it, one per line, decoded: FILE as a path below "~", NODE compared
// with the file's node ("NODE = FILE"), FLAG in hex with the kinds, PREF
// field by field, ICON, LABL, VOLR, PROC, and the dates as "current" or
// "stale" against the listed folder. Nothing in a line depends on the run
// (no addresses, inode numbers or clock times). A menu that is not live
// gives "menu: none".
std::vector<std::string> DescribeMenuTree(MenuRef menu, bool withProperties);

// A path as transcripts show it: below the home folder as "~/...".
std::string TranscriptPath(const std::string& path);
