// Reaping the children the agent starts (the drag-out helper): it does not
// wait for them, so the SIGCHLD handler collects them when they end.
#include <errno.h>
#include <sys/wait.h>

#include "shell/AppHandlers.h"

struct sigaction gPreviousChildAction = {};

void ChildExitHandler(int) {
  // Ends of children that fall together arrive as one signal, so every
  // child that has ended is reaped, not just one; otherwise the others
  // would stay zombies until some later child ends. The interrupted code
  // must find errno as it left it.
  const int savedErrno = errno;
  int status = 0;
  while (waitpid(-1, &status, WNOHANG) > 0) {
  }
  errno = savedErrno;
}

void InstallChildExitHandler() {
  struct sigaction action = {};
  action.sa_handler = ChildExitHandler;
  sigfillset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  (void)sigaction(SIGCHLD, &action, &gPreviousChildAction);
}
