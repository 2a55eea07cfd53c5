// Dialog Manager standard alerts: an alert is made from its texts and
// buttons, then run modally by the host (platform/dialogs/HostAlerts.h),
// which shows it in front of every window. Without a host alerts concern no
// alert can be made.
#pragma once

#include "platform/core/MacErrors.h"
#include "platform/core/MacTypes.h"
#include "platform/corefoundation/CoreFoundation.h"

using DialogRef = struct OpaqueDialogPtr*;
using DialogItemIndex = SInt16;
using AlertType = SInt16;

enum : AlertType {
  kAlertStopAlert = 0,
  kAlertNoteAlert = 1,
  kAlertCautionAlert = 2,
  kAlertPlainAlert = 3,
};

enum : DialogItemIndex {
  kAlertStdAlertOKButton = 1,
  kAlertStdAlertCancelButton = 2,
  kAlertStdAlertOtherButton = 3,
  kAlertStdAlertHelpButton = 4,
};

enum : UInt32 { kStdCFStringAlertVersionOne = 1 };
enum : UInt16 { kWindowDefaultPosition = 0 };

struct AlertStdCFStringAlertParamRec {
  UInt32 version = kStdCFStringAlertVersionOne;
  Boolean movable = false;
  Boolean helpButton = false;
  CFStringRef defaultText = nullptr;  // null: the host's "OK"
  CFStringRef cancelText = nullptr;   // null: no cancel button
  CFStringRef otherText = nullptr;    // null: no other button
  SInt16 defaultButton = kAlertStdAlertOKButton;
  SInt16 cancelButton = 0;
  UInt16 position = kWindowDefaultPosition;
  UInt32 flags = 0;
};

// Fills *param with the defaults of version (1 only): not movable, no help
// button, "OK" as the only button. noErr; paramErr.
OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* param, UInt32 version);

// A new alert of alertType with the message (error) and the explanation
// (may be null); param null takes the defaults. The texts are copied. The
// alert belongs to the caller until RunStandardAlert (or DisposeDialog).
// noErr; paramErr (no message or result, an unknown version or type, a help
// button, which alerts here never have, or a default button the alert does
// not have; a cancel button it does not have is taken as none); unimpErr (the host shows no
// alerts).
[[nodiscard]] OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error,
                                           CFStringRef explanation,
                                           const AlertStdCFStringAlertParamRec* param,
                                           DialogRef* outAlert);

using ModalFilterUPP = void*;

// Runs the alert modally through the host and disposes of it: *outItemHit
// is the button pressed. A filter is not supported (it must be null).
// noErr; paramErr; unimpErr (the host shows no alerts); the host's failure
// (the alert could not be shown; *outItemHit is then 0).
OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc,
                          DialogItemIndex* outItemHit);

// Frees an alert that was not run. Null is ignored.
void DisposeDialog(DialogRef theDialog);
