// healthsim: creates, fills and inspects emulated health devices.
#include <cstdio>

int main() {
    std::fprintf(stderr, "healthsim: not yet built\n");
    return 1;
}
