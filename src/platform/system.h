#pragma once
// Small facts about the system the run is on.
#include <cstdint>

namespace sirvane {

// The separator put at the end of an output directory that lacks one.
#ifdef _WIN32
inline constexpr char kDirectorySeparator = '\\';
#else
inline constexpr char kDirectorySeparator = '/';
#endif

// A seed for the hash indexes, different in every run, so that no crafted log
// can count on colliding names.
std::uint64_t RandomSeed();

}  // namespace sirvane
