#include "platform/dialogs/Dialogs.h"

#include "platform/dialogs/HostAlerts.h"
#include "platform/host/Host.h"

struct OpaqueDialogPtr {
  HostAlert alert;
};

namespace {

std::string TextOf(CFStringRef s) { return s ? CFStringToUTF8(s) : std::string(); }

}  // namespace

OSStatus GetStandardAlertDefaultParams(AlertStdCFStringAlertParamRec* param, UInt32 version) {
  if (!param || version != kStdCFStringAlertVersionOne) return paramErr;
  *param = AlertStdCFStringAlertParamRec{};
  return noErr;
}

OSStatus CreateStandardAlert(AlertType alertType, CFStringRef error, CFStringRef explanation,
                             const AlertStdCFStringAlertParamRec* param, DialogRef* outAlert) {
  if (!outAlert || !error) return paramErr;
  *outAlert = nullptr;
  AlertStdCFStringAlertParamRec defaults;
  if (!param) param = &defaults;
  if (param->version != kStdCFStringAlertVersionOne || param->helpButton) return paramErr;
  if (alertType < kAlertStopAlert || alertType > kAlertPlainAlert) return paramErr;
  // A default role given to a button the alert lacks would leave Return
  // without a button to press; a cancel role given to one only means that
  // Escape presses nothing.
  const auto hasButton = [param](SInt16 item) {
    return item == kAlertStdAlertOKButton ||
           (item == kAlertStdAlertCancelButton && param->cancelText) ||
           (item == kAlertStdAlertOtherButton && param->otherText);
  };
  if (!hasButton(param->defaultButton)) return paramErr;
  if (!CurrentHost().alerts) return unimpErr;

  auto* dialog = new OpaqueDialogPtr;
  HostAlert& a = dialog->alert;
  a.alertType = alertType;
  a.message = TextOf(error);
  a.explanation = TextOf(explanation);
  a.defaultText = param->defaultText ? TextOf(param->defaultText) : "OK";
  a.cancelText = TextOf(param->cancelText);
  a.otherText = TextOf(param->otherText);
  a.defaultButton = param->defaultButton;
  a.cancelButton = hasButton(param->cancelButton) ? param->cancelButton : SInt16{0};
  a.movable = param->movable;
  *outAlert = dialog;
  return noErr;
}

OSStatus RunStandardAlert(DialogRef inAlert, ModalFilterUPP filterProc,
                          DialogItemIndex* outItemHit) {
  if (!inAlert || !outItemHit || filterProc) return paramErr;
  *outItemHit = 0;
  HostAlerts* host = CurrentHost().alerts;
  OSStatus status = host ? host->Run(inAlert->alert, outItemHit) : unimpErr;
  if (status != noErr) *outItemHit = 0;
  DisposeDialog(inAlert);
  return status;
}

void DisposeDialog(DialogRef theDialog) { delete theDialog; }
