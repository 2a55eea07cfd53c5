// The menu bar the desktop shows while this process is in front. The agent
// sets it once from its interface file and shows it; a desktop without a
// global menu bar may keep it for an application menu or ignore it.
#pragma once

#include <string>
#include <vector>

// One menu of the bar: its title and its item texts in order ("-" is a
// separator line).
struct HostMenuBarMenu {
  std::string title;
  std::vector<std::string> items;
};

class HostMenuBar {
 public:
  virtual ~HostMenuBar() = default;
  // Replaces the whole bar.
  virtual void SetMenus(const std::vector<HostMenuBarMenu>& menus) = 0;
  // Makes the bar visible (it may have been hidden by the system UI mode).
  virtual void Show() = 0;
};
