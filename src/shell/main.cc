// Korvane, the background menu agent. It takes no options.
//
// The agent's code runs on a desktop host. The simulated desktop is driven
// by korvane-sim, which starts the agent itself; the host for a real
// desktop session is not part of this build yet, so on its own the program
// says so and ends without touching anything.
#include <cstdio>

int main() {
  std::fputs(
      "Korvane: there is no host for a real desktop session in this build yet; "
      "run the agent on the simulated desktop with korvane-sim.\n",
      stderr);
  return 0;
}
