// Korvane, the background menu agent. It takes no options.
int main() { return 0; }
