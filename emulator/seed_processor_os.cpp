// PLACEHOLDER: sample events are added with the decoders of this group.
#include "emulator/seed_samples.h"

namespace kestrav::emulator {

std::vector<SeedSample> ProcessorOsSamples() { return {}; }

}  // namespace kestrav::emulator
