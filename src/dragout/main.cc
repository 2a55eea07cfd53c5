// Quillon, the drag-out helper started by Korvane.
int main() { return 0; }
