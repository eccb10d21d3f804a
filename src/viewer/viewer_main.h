// The windowed viewer's entry point: runs the window until Exit and returns the process's exit status.
#pragma once

namespace kestrav {

int RunViewer(int argc, char** argv);

} // namespace kestrav
