#include <cstdio>
int main() { std::puts("movrel-cli"); return 0; }
