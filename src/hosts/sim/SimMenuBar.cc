#include "hosts/sim/SimMenuBar.h"

#include "platform/host/Transcript.h"

void SimMenuBar::SetMenus(const std::vector<HostMenuBarMenu>& newMenus) {
  menus = newMenus;
  std::string line = "menu bar:";
  if (menus.empty()) line += " (empty)";
  for (const HostMenuBarMenu& menu : menus) {
    line += " " + menu.title + " [";
    for (std::size_t i = 0; i < menu.items.size(); ++i) line += (i ? ", " : "") + menu.items[i];
    line += "]";
  }
  Transcribe(line);
}

void SimMenuBar::Show() {
  shown = true;
  Transcribe("menu bar shown");
}
