// The host's side of the user's input devices: where the pointer is and
// which modifier keys are held, at the moment the layer asks.
#pragma once

#include "platform/core/MacTypes.h"

class HostInput {
 public:
  virtual ~HostInput() = default;
  // The pointer, in global coordinates (y downwards).
  virtual Point GlobalMouse() const = 0;
  // The modifier keys held now, as a Carbon modifier mask (cmdKey, shiftKey,
  // optionKey, controlKey ...).
  virtual UInt32 KeyModifiers() const = 0;
};
