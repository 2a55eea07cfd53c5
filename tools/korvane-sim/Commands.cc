// Every group of scenario commands, registered in one place.
#include "korvane-sim/Simulator.h"

void RegisterCoreCommands(CommandTable& table);
void RegisterMenuCommands(CommandTable& table);

void RegisterAllCommands(CommandTable& table) {
  RegisterCoreCommands(table);
  RegisterMenuCommands(table);
}
