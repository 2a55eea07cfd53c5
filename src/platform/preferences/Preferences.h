// Preferences: one property list file per application domain,
// ${XDG_CONFIG_HOME:-$HOME/.config}/korvane/<appID>.plist (an XDG_CONFIG_HOME
// that is empty or not absolute is ignored; the environment is read on every
// call).
//
// A domain is read from its file on first use and cached. Setting a value
// changes the cache and remembers the key as changed by this process.
// Synchronising re-reads the file, lays this process's changes (sets and
// removals) over it and writes it back atomically, so that keys another
// program wrote in the meantime survive; keys this process did not change
// are written back exactly as they were read (see PropertyListDocument),
// in the format the file had (binary when it holds text XML cannot carry).
// A file with no bytes is an empty domain. A file that cannot be read or is
// not a dictionary reads as empty and is never written over: a synchronise
// that finds it so fails and keeps the changes for a later try.
//
// Writes go through a symbolic link to the file it points at (created when
// missing); an existing file keeps its mode, a new one is 0600; a file
// without write permission is left untouched. Every problem with the file
// is reported with ReportProblem (a problem reading it once while it stays
// the same, every failed write):
//   preferences: <path> cannot be read (<reason>); it is left untouched
//   preferences: <path>: <n> dictionaries/texts skipped: a NUL character in a key or a text
//   preferences: cannot write <path>: <reason>; the changes are kept for a later try
//   preferences: <path> is now a binary property list: it holds text an XML property list cannot
//   carry
#pragma once

#include "platform/corefoundation/CoreFoundation.h"

// The running application's domain: the main bundle's identifier, or
// "com.talvik.korvane" when there is no main bundle identifier.
extern const CFStringRef kCFPreferencesCurrentApplication;

// A copy of the value stored under key, or null when there is none (or the
// domain cannot be named: a null appID or key, an appID that is empty,
// starts with a dot or holds a '/').
CFRef<CFPropertyListRef> CFPreferencesCopyAppValue(CFStringRef key, CFStringRef applicationID);

// Stores a copy of value under key (a null value removes the key) in the
// cached domain, to be written by the next synchronise. A value that no
// property list format can hold (CFPropertyListIsValid with the binary
// format: no URLs, no NUL characters in text) is not stored, so that it
// cannot make every later synchronise fail.
void CFPreferencesSetAppValue(CFStringRef key, CFPropertyListRef value, CFStringRef applicationID);

// Writes this process's changes to the domain file as described above and
// refreshes the cache from it. Without changes nothing is written and the
// cache is only refreshed. True on success; false when the file cannot be
// read, is not a property list dictionary, or cannot be written (the
// changes are then kept, and the reason has been reported). Each write is
// transcribed as
// "prefs: synchronized <appID> (<changed keys, sorted, comma separated>)".
Boolean CFPreferencesAppSynchronize(CFStringRef applicationID);

// The boolean stored under key: a boolean, a number (non-zero is true) or
// the string YES, NO, true or false in any case. False when it is absent or
// anything else; *keyExistsAndHasValidFormat (when not null) tells which.
Boolean CFPreferencesGetAppBooleanValue(CFStringRef key, CFStringRef applicationID,
                                        Boolean* keyExistsAndHasValidFormat);

// Drops every cached domain and every unsynchronised change, as if the
// process had just started (tests, and the simulator between agent runs).
void CFPreferencesResetForTesting();
