// The smallest Windows program that proves the host runs code of this build's architecture.
#include <cstdio>

int main() {
    std::printf("win%d ok\n", static_cast<int>(sizeof(void*) * 8));
    return 0;
}
