// Every group of scenario commands, registered in one place.
#include "korvane-sim/Simulator.h"

void RegisterCoreCommands(CommandTable& table);
void RegisterMenuCommands(CommandTable& table);
void RegisterFileCommands(CommandTable& table);
void RegisterShellCommands(CommandTable& table);
void RegisterTriggerCommands(CommandTable& table);
void RegisterScreenCommands(CommandTable& table);
void RegisterFinderCommands(CommandTable& table);
void RegisterMenuTrackingCommands(CommandTable& table);

void RegisterAllCommands(CommandTable& table) {
  RegisterCoreCommands(table);
  RegisterMenuCommands(table);
  RegisterFileCommands(table);
  RegisterShellCommands(table);
  RegisterTriggerCommands(table);
  RegisterScreenCommands(table);
  RegisterFinderCommands(table);
  RegisterMenuTrackingCommands(table);
}
