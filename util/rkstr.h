// util/rkstr.h - small string helpers used throughout the system.
//
// Plain C-string functions with the meaning of their names.  They work on
// caller buffers in place where a name says so (rkStrLoc, rkStrUpc,
// rkStrTrim) and never allocate except rkStrCpy.  Case conversion is ASCII
// only: design files are ASCII and bytes of 128 and above pass unchanged.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

/// Compares ignoring ASCII case; <0, 0, >0 like strcmp.  Null sorts first.
int rkStrIcmp(const char* a, const char* b);

/// Compares at most n characters ignoring ASCII case.
int rkStrNicmp(const char* a, const char* b, std::size_t n);

/// 1 when both strings are equal or both are null, else 0.
int rkStrEqu(const char* a, const char* b);

/// Lower-cases s in place; returns s (null stays null).
char* rkStrLoc(char* s);

/// Upper-cases s in place; returns s (null stays null).
char* rkStrUpc(char* s);

/// Copies at most size-1 characters and always terminates (size > 0).
char* rkStrncpyNullTerm(char* dst, const char* src, std::size_t size);

/// Skips leading characters of delims, copies the next token (cut to
/// toksize-1 characters) into tok and returns the rest of the string just
/// after the token, or null (tok empty) when no token is left.
const char* rkStrTok(const char* s, const char* delims, char* tok, std::size_t toksize);

/// Returns the first character of s that is not a blank, tab or line end.
const char* rkStrBlk(const char* s);
char* rkStrBlk(char* s);

/// Removes leading and trailing white space in place; returns s.
char* rkStrTrim(char* s);

/// A newly allocated copy of s (rkMemMalloc), or null for null.
char* rkStrCpy(const char* s);

/// Frees a copy made by rkStrCpy; null is ignored.
void rkStrFree(char* s);

/// The printf-style text of format with the arguments, whole (no length
/// limit); empty for a null format or a formatting error.
std::string rkStrVformat(const char* format, va_list args);
