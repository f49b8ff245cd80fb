// expr/limits.h - fixed sizes of the expression evaluator and variable store.
//
// These sizes are behaviour: an expression node holds its whole text or
// value in one fixed area, a substituted attribute value one 1024-byte
// buffer, and texts or results that would not fit are refused with an
// error code rather than grown.
#pragma once

#include <cstddef>

namespace expr {

/// Bytes of an expression node's value area.  An expression text of this
/// many characters or more is refused with code -2, and a concatenation
/// whose result would exceed kIxValueSize - 1 characters gives -2.
inline constexpr std::size_t kIxValueSize = 512;

/// Longest output format ixformat accepts; a longer one is ignored and the
/// previous format stays.
inline constexpr std::size_t kIxMaxFormat = 11;

/// Levels of the variable store, numbered 0 to kIpLevels - 1.
inline constexpr int kIpLevels = 100;

/// The level of global definitions (file lines starting with "@@"),
/// searched before every other level by default.
inline constexpr int kIpGlobalLevel = kIpLevels - 1;

/// Highest hierarchy level: ippushlev refuses (code 1) at this level or
/// above, so the hierarchy can never reach the global level.
inline constexpr int kIpTopHierLevel = kIpGlobalLevel - 1;

/// Lowest level ippoplev leaves: it refuses (code 2) at this level or below.
inline constexpr int kIpBottomHierLevel = 1;

/// Hash buckets of one level of the store.
inline constexpr int kIpBuckets = 23;

/// Hash buckets of the expansion guard.
inline constexpr int kIpGuardBuckets = 13;

/// Bytes of the substitution buffer, the NUL included: a substituted text
/// of more than kIpBufSize - 1 characters stops with code 5.
inline constexpr std::size_t kIpBufSize = 1024;

/// Longest line of a variable file.  A definition line that is longer is
/// not accepted (the file's result becomes 3); a longer line that defines
/// nothing is skipped whole.
inline constexpr std::size_t kIpMaxLine = 1023;

/// Bytes of a variable file name (base name + ".var", NUL included); a
/// longer name is reported as a file not found (code 10).
inline constexpr std::size_t kIpFileName = 100;

}  // namespace expr
