#include "shell/Startup.h"

#include "platform/Host.h"

// Provisional entry until the start-up sequence lands: runs the host loop.
int KorvaneMain() {
  if (auto* loop = CurrentHost().runLoop) loop->Run();
  return 0;
}
