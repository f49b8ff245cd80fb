// util/rkbanner.h - the program banner shared by the design environment's tools.
#pragma once

/// Release identification of the design environment printed after the
/// program's own name and version.
inline constexpr const char* kRkRelease = "Release 5.3.1 (December 2026)";

/// Writes "<name> - V<version>; <release>" and a line end to standard output.
void rkBanner(const char* name, const char* version);
