// The sample log that `healthsim seed` writes: events of every described class with plausible event data,
// severities, counts and times spread over the past months.
#pragma once

#include <cstdint>
#include <ctime>
#include <vector>

#include "emulator/device/device_store.h"
#include "emulator/healthsim/seed_samples.h"

namespace kestrav::emulator {

// Samples of the classes whose descriptions need no decoder of their own (4, 7, 13, 32, 33, 39, 40, 41).
std::vector<SeedSample> InlineClassSamples();

// Every sample: the decoder groups' tables followed by the inline classes.
std::vector<SeedSample> AllSeedSamples();

// Fills entry index of count from the samples (cycling through them): header, event data and times. The event
// number is left to the store. Times run forward from about six months before now to now.
void MakeSeedEntry(const std::vector<SeedSample>& samples, uint64_t index, uint64_t count, std::time_t now,
                   LogEntry& entry);

// The size of the log seeded when no size is given: 200 entries, more if needed to show every sample once.
uint64_t DefaultSeedCount();

// Appends count sample entries to the device in one transaction.
StoreResult SeedDevice(DeviceStore& store, uint64_t count, std::time_t now);

} // namespace kestrav::emulator
