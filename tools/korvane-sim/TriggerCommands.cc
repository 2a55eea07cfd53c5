// Commands for the triggers: listing them, rebuilding a trigger's menu as a
// pop-up does, sending the opening event that fills a submenu, and printing
// a trigger's menu tree. Until menus are shown, these are how scenarios see
// the incremental rebuilds and the lazy filling of folder submenus.
#include <cstdlib>
#include <string>

#include "korvane-sim/MenuCommands.h"
#include "korvane-sim/MenuPrinter.h"
#include "menus/ItemRecords.h"
#include "menus/MenuBuilder.h"
#include "platform/events/Events.h"
#include "platform/host/Transcript.h"
#include "platform/menus/MenuEvents.h"
#include "triggers/Triggers.h"

namespace {

unsigned long ParseIndex(const ScenarioLine& line, const std::string& word) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || word[0] == '-')
    throw ScenarioError(line, "not a number: " + word);
  return value;
}

// Trigger N of gTriggers, counted from 1.
UtilityMenu* TriggerAt(const ScenarioLine& line, const std::string& word) {
  const unsigned long n = ParseIndex(line, word);
  if (n == 0 || n > gTriggers.size())
    throw ScenarioError(line,
                        Fmt("no trigger %s (the agent has %zu)", word.c_str(), gTriggers.size()));
  return gTriggers[n - 1];
}

std::string Plural(unsigned count, const char* noun) {
  return Fmt("%u %s%s", count, noun, count == 1 ? "" : "s");
}

std::string MenuSummary(MenuRef menu) {
  if (!menu) return "no menu";
  return Fmt("menu %d (%s)", GetMenuID(menu), Plural(CountMenuItems(menu), "item").c_str());
}

std::string ItemText(MenuRef menu, MenuItemIndex item) {
  const auto view = GetMenuItemView(menu, item);
  return view ? view->text : std::string();
}

void ListTriggers(Simulator& sim, const ScenarioLine&) {
  if (gTriggers.empty()) sim.Note("no triggers");
  for (std::size_t i = 0; i < gTriggers.size(); ++i) {
    const UtilityMenu* t = gTriggers[i];
    const bool tab = dynamic_cast<const ScreenMenu*>(t) != nullptr;
    sim.Note(
        Fmt("trigger %zu: %s position %d screen %d offset %d button %u modifiers 0x%04X "
            "drops %s hot key %s, %s",
            i + 1, tab ? "tab" : "window-less", t->position, t->screen, t->offset, t->button,
            t->modifiers, AcceptsDrops(t) ? "yes" : "no", t->hotKeyRef ? "yes" : "none",
            MenuSummary(t->menu).c_str()));
  }
}

void Rebuild(Simulator& sim, const ScenarioLine& l) {
  if (l.words.size() != 2) throw ScenarioError(l, "usage: rebuild N");
  UtilityMenu* trigger = TriggerAt(l, l.words[1]);
  RebuildMenu(trigger);
  sim.Note(Fmt("trigger %s rebuilt: %s", l.words[1].c_str(), MenuSummary(trigger->menu).c_str()));
}

// The submenu to open: by menu ID, or by the texts of the items leading to
// it from trigger N's menu. Null (and a transcript line) when the path leads
// to no submenu.
MenuRef FindSubmenu(Simulator& sim, const ScenarioLine& l) {
  if (l.words[1] == "menu") {
    const unsigned long id = ParseIndex(l, l.words[2]);
    MenuRef menu = id <= 0xFFFF ? FindAgentMenu(static_cast<MenuID>(id)) : nullptr;
    if (!menu) sim.Note(Fmt("menu %s: none", l.words[2].c_str()));
    return menu;
  }
  MenuRef menu = TriggerAt(l, l.words[1])->menu;
  for (std::size_t w = 2; w < l.words.size() && menu; ++w) {
    MenuRef next = nullptr;
    for (UInt16 i = 1; i <= CountMenuItems(menu) && !next; ++i) {
      MenuRef submenu = nullptr;
      if (ItemText(menu, i) == l.words[w] &&
          GetMenuItemHierarchicalMenu(menu, i, &submenu) == noErr)
        next = submenu;
    }
    if (!next) sim.Note("no submenu at \"" + l.words[w] + "\"");
    menu = next;
  }
  return menu;
}

void OpenSubmenu(Simulator& sim, const ScenarioLine& l) {
  if (l.words.size() < 3)
    throw ScenarioError(l, "usage: open-submenu N ITEM-TEXT... | open-submenu menu ID");
  MenuRef menu = FindSubmenu(sim, l);
  if (!menu) return;
  // What a host sends when a menu opens: 'menu'/4 to the menu's own target,
  // the menu as direct object.
  EventRef event = nullptr;
  if (CreateEvent(nullptr, kEventClassMenu, kEventMenuOpening, GetCurrentEventTime(),
                  kEventAttributeNone, &event) != noErr)
    return;
  SetEventParameter(event, kEventParamDirectObject, typeMenuRef, sizeof(menu), &menu);
  (void)SendEventToEventTarget(event, GetMenuEventTarget(menu));
  ReleaseEvent(event);
  sim.Note("opened " + MenuSummary(menu));
}

void ShowTrigger(Simulator& sim, const ScenarioLine& l) {
  const bool withProperties = l.words.size() == 4 && l.words[3] == "properties";
  if (l.words.size() < 3 || l.words.size() > 4 || (l.words.size() == 4 && !withProperties))
    throw ScenarioError(l, "usage: show trigger N [properties]");
  UtilityMenu* trigger = TriggerAt(l, l.words[2]);
  if (!trigger->menu) {
    sim.Note(Fmt("trigger %s: no menu", l.words[2].c_str()));
    return;
  }
  for (const std::string& line : DescribeMenuTree(trigger->menu, withProperties)) sim.Note(line);
}

}  // namespace

void RegisterTriggerCommands(CommandTable& t) {
  RegisterShowSubject("trigger", "show trigger N [properties]", ShowTrigger);
  t["triggers"] = {"triggers (lists the agent's triggers: kind, place, hot key, menu)",
                   ListTriggers};
  t["rebuild"] = {"rebuild N (trigger N's menu is rebuilt, as before every pop-up)", Rebuild};
  t["open-submenu"] = {
      "open-submenu N ITEM-TEXT... | open-submenu menu ID (a submenu opens and fills)",
      OpenSubmenu};
}
