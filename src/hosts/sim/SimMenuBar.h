// The simulated desktop's menu bar: what the agent set and whether it is
// shown, transcribed as "menu bar: Title [item, item]" and "menu bar shown".
#pragma once

#include <vector>

#include "platform/interface/HostMenuBar.h"

class SimMenuBar final : public HostMenuBar {
 public:
  void SetMenus(const std::vector<HostMenuBarMenu>& menus) override;
  void Show() override;

  std::vector<HostMenuBarMenu> menus;
  bool shown = false;
};
