#include "platform/events/Input.h"

#include "platform/events/HostInput.h"
#include "platform/host/Host.h"

void GetGlobalMouse(Point* globalMouse) {
  if (!globalMouse) return;
  const HostInput* input = CurrentHost().input;
  *globalMouse = input ? input->GlobalMouse() : Point{};
}

UInt32 GetCurrentKeyModifiers() {
  const HostInput* input = CurrentHost().input;
  return input ? input->KeyModifiers() : 0;
}
