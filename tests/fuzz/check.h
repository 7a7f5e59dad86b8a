#pragma once
// A broken invariant aborts: libFuzzer keeps the input, the stack trace points at the check.
#include <cstdlib>

inline void Check(bool condition) { if (!condition) std::abort(); }
