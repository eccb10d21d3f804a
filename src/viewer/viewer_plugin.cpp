// The one function that the window module kestrav-viewer.so exports: kestrav loads the module and calls it
// when it opens the window.
#include "viewer/viewer_main.h"

extern "C" __attribute__((visibility("default"))) int kestrav_viewer_main(int argc, char** argv) {
    return kestrav::RunViewer(argc, argv);
}
