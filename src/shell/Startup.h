// The agent's program entry.
#pragma once

// Starts the agent, runs its event loop and returns the program's result:
// 0 after the loop ends or after a quiet stop during start-up, -1 on a
// system that is too old.
int KorvaneMain();
