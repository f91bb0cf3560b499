#pragma once

#include <cstddef>
#include <cstdint>

// What libFuzzer, or the replay driver of ordinary builds, calls with each input.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
