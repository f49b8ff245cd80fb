// store/limits.h - fixed sizes of the path functions.
//
// Path buffers throughout the system hold 256 bytes with the terminating
// NUL, so a path of 256 characters or more is refused (status 2) instead of
// being cut: a cut path would silently name another file.
#pragma once

#include <cstddef>

namespace px {

/// Bytes of every path buffer, the terminating NUL included.
inline constexpr std::size_t kMaxPath = 256;

/// Longest origin directory accepted by pxSetorigin (longer: status 7).
inline constexpr std::size_t kMaxOrigin = 255;

/// Longest compatible-version string kept.
inline constexpr std::size_t kMaxCompatVersion = 80;

/// Longest environment value returned by pxTrnlog (the rest is cut).
inline constexpr std::size_t kMaxTrnlog = 2047;

/// Longest single WDIR entry; longer tokens are cut.
inline constexpr std::size_t kMaxWdirToken = 256;

}  // namespace px

namespace prj {

/// Longest library declaration line of the project's initialization file;
/// a longer line is refused (status 2), since its path could not fit.
inline constexpr std::size_t kMaxDirLine = 255;

/// Longest parenthesised library name; a longer one is status 37.
inline constexpr std::size_t kMaxLibName = 32;

/// Largest numeric library type; a larger number is status 12.
inline constexpr int kMaxLibTypeNumber = 20;

/// Longest directory kind ("wir", "sym", "sch", "dly", ...).
inline constexpr std::size_t kMaxKind = 15;

}  // namespace prj
