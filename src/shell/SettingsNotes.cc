// The wording of the messages about mistakes in the settings: a hand-edited
// preference file may hold anything, and the user is told which setting was
// left out or corrected, and why.
#include "platform/host/Transcript.h"
#include "shell/Settings.h"

std::string SettingsValueKind(CFTypeRef value) {
  if (!value) return "nothing";
  const CFTypeID type = CFGetTypeID(value);
  if (type == CFStringGetTypeID()) return "a string";
  if (type == CFNumberGetTypeID())
    return CFNumberIsFloatType(static_cast<CFNumberRef>(value)) ? "a real number" : "an integer";
  if (type == CFBooleanGetTypeID()) return "a boolean";
  if (type == CFDataGetTypeID()) return "data";
  if (type == CFDateGetTypeID()) return "a date";
  if (type == CFArrayGetTypeID()) return "an array";
  if (type == CFDictionaryGetTypeID()) return "a dictionary";
  return "a value of another kind";
}

std::string WrongTypeNote(const char* key, CFTypeRef value, const char* needed) {
  return Fmt("\"%s\" is %s, %s is needed", key, SettingsValueKind(value).c_str(), needed);
}

void ReportSettingsNotes(const std::string& which, const SettingsNotes& notes) {
  if (!notes.skipped.empty()) ReportProblem("settings: " + which + " skipped: " + notes.skipped);
  for (const std::string& correction : notes.corrected)
    ReportProblem(Fmt("settings: %s: %s", which.c_str(), correction.c_str()));
}
