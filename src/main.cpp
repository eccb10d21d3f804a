// kestrav: the first argument chooses the unattended command line ('/' or '-') or the window.
#include <cstdio>

int main(int argc, char** argv) {
    (void)argc;
    (void)argv;
    std::fprintf(stderr, "kestrav: not yet built\n");
    return 1;
}
