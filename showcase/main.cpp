// Placeholder showcase; grows with the engine.
#include <cstdio>
int main() { std::puts("showcase"); return 0; }
