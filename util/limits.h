// util/limits.h - fixed sizes of the utility library.
//
// These sizes are behaviour, not implementation details: files written by
// other tools rely on them and output is cut or refused exactly at them.
// Code keeps them explicit even where a std::string could grow.
#pragma once

#include <cstddef>

namespace rk {

/// Longest string a portable binary file can hold (1-byte length prefix).
inline constexpr std::size_t kMaxBinaryString = 255;

/// A bus subscript field ([start:end:step]) longer than this is status 5.
inline constexpr std::size_t kMaxBusField = 18;

/// Largest magnitude of a bus subscript value; larger is status 5.
inline constexpr int kMaxBusValue = 32767;

/// Largest number of names one bus name may expand to; larger is status 5.
inline constexpr int kMaxBusWidth = 65535;

/// Most characters kept of the bus list-separator set.
inline constexpr std::size_t kMaxBusSeparators = 19;

/// Deepest nesting of repetition braces in one bus name ({{A}2}3 is 2);
/// deeper nesting is status 1.  Expansion recurses once per level, so this
/// bounds the stack whatever the input.
inline constexpr int kMaxBusNesting = 64;

/// Entries of the shared message cache; the 81st distinct message evicts
/// the least recently used one.
inline constexpr int kMsgCacheEntries = 80;

/// Buckets of the message cache (chosen by message number & 127).
inline constexpr int kMsgCacheBuckets = 128;

/// Largest index count a catalog may declare; more is error 1005.
inline constexpr int kMsgMaxIndexCount = 200000;

/// Bytes of the path of a catalog file, as of every path of the system:
/// a longer one is a bad name (error 1002).
inline constexpr std::size_t kMsgPathBuffer = 256;

/// Argument positions a catalog format may use ("%12$s").
inline constexpr int kMsgMaxArgs = 128;

/// Size of the location text buffer shared by the rkErrLocation* builders.
inline constexpr std::size_t kErrLocationBuffer = 512;

}  // namespace rk
