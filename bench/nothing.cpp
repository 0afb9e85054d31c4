// A program that does nothing: the benchmark starts it the way it starts a
// render, so that the floor includes the cost of starting a process.
int main() { return 0; }
