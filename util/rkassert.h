// util/rkassert.h - the system's self-healing assertion.
//
// An impossible internal state is reported as
// "PROGRAM FAILURE: Assertion <text> failed." and the run goes on; the
// caller then takes the safe way out (skips the object, returns null).
// The text is given explicitly because it is part of the output.
#pragma once

#include <cstdio>

/// Returns ok; when ok is false prints the failure line with text to out.
bool rkAssertCheck(bool ok, const char* text, std::FILE* out = stdout);
