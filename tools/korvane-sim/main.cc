// korvane-sim: runs the agent against a scripted, simulated desktop.
int main() { return 0; }
