// expr/limits.h - fixed sizes of the expression evaluator and variable store.
//
// These sizes are behaviour: an expression node holds its whole text or
// value in one fixed area, and texts or results that would not fit are
// refused with an error code rather than grown.
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

}  // namespace expr
