#include "actions/Alert.h"

#include "platform/bundles/Bundle.h"
#include "platform/dialogs/Dialogs.h"
#include "shell/FrontProcess.h"

namespace {

// The main bundle's text for key; the key itself when there is none.
CFRef<CFStringRef> Localized(CFStringRef key) {
  if (!key) return nullptr;
  return CFBundleCopyLocalizedString(CFBundleGetMainBundle(), key, CFSTR(""), nullptr);
}

}  // namespace

SInt16 RunAlert(CFStringRef defaultText, CFStringRef cancelText, CFStringRef otherText,
                CFStringRef messageText, CFStringRef explanationText) {
  // The agent comes forward so that the alert shows in front of the
  // application the user was in, which gets the front back afterwards.
  ProcessSerialNumber front;
  SaveFrontAndActivateSelf(&front);

  CFRef<CFStringRef> localizedDefault = Localized(defaultText);
  CFRef<CFStringRef> localizedCancel = Localized(cancelText);
  CFRef<CFStringRef> localizedOther = Localized(otherText);
  CFRef<CFStringRef> localizedMessage = Localized(messageText);
  CFRef<CFStringRef> localizedExplanation = Localized(explanationText);

  AlertStdCFStringAlertParamRec param;
  param.version = kStdCFStringAlertVersionOne;
  param.movable = true;
  param.helpButton = false;
  param.defaultText = localizedDefault.get();
  param.cancelText = localizedCancel.get();
  param.otherText = localizedOther.get();
  param.defaultButton = kAlertStdAlertOKButton;
  param.cancelButton = kAlertStdAlertCancelButton;
  param.position = kWindowDefaultPosition;
  param.flags = 0;

  DialogItemIndex itemHit = 0;
  DialogRef alert = nullptr;
  if (CreateStandardAlert(kAlertNoteAlert, localizedMessage.get(), localizedExplanation.get(),
                          &param, &alert) == noErr) {
    // The host runs a standard alert in the overlay layer, in front of the
    // tab windows and of a menu being tracked.
    (void)RunStandardAlert(alert, nullptr, &itemHit);
  }

  RestoreFront(&front);
  return itemHit;
}
