#include "hosts/sim/SimAlerts.h"

#include <string>

#include "platform/core/MacErrors.h"
#include "platform/host/Transcript.h"

namespace {

std::string Quote(const std::string& text) { return "\"" + text + "\""; }

const char* TypeName(SInt16 type) {
  switch (type) {
    case 0: return "stop";
    case 1: return "note";
    case 2: return "caution";
    default: return "plain";
  }
}

}  // namespace

OSStatus SimAlerts::Run(const HostAlert& alert, SInt16* itemHit) {
  Answer answer = Answer::Default;
  if (!answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  if (answer == Answer::CannotShow) {
    Transcribe("alert cannot be shown: " + Quote(alert.message));
    return memFullErr;
  }
  ++shown_;
  std::string buttons = Quote(alert.defaultText) + " (1)";
  if (!alert.cancelText.empty()) buttons += ", " + Quote(alert.cancelText) + " (2)";
  if (!alert.otherText.empty()) buttons += ", " + Quote(alert.otherText) + " (3)";
  Transcribe(Fmt("alert (%s): %s %s buttons %s", TypeName(alert.alertType),
                 Quote(alert.message).c_str(), Quote(alert.explanation).c_str(), buttons.c_str()));

  // A scripted button the alert does not have cannot be pressed: the user
  // presses Return instead, and the transcript says so.
  SInt16 hit = alert.defaultButton;
  std::string note;
  if (answer == Answer::Cancel) {
    if (alert.cancelText.empty())
      note = " (no cancel button)";
    else
      hit = 2;
  } else if (answer == Answer::Other) {
    if (alert.otherText.empty())
      note = " (no other button)";
    else
      hit = 3;
  }
  const std::string& text = hit == 2   ? alert.cancelText
                            : hit == 3 ? alert.otherText
                                       : alert.defaultText;
  Transcribe(Fmt("alert answered: %d %s%s", hit, Quote(text).c_str(), note.c_str()));
  *itemHit = hit;
  return noErr;
}
