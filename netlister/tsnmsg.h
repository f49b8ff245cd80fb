// netlister/tsnmsg.h - the netlister's messages, log lines, progress lines
// and counting allocator.
//
// Every text the netlister shows goes through here: tsn_msg on the
// terminal only, llogmsg on the terminal and as a line of a netlist or log
// file, lnet_status/lcomp_status as an overwritable progress line on
// standard error.  Messages beginning with "Warning" or "Error" are
// counted for the summary and written into files as "ER " lines; all
// others become "| " comment lines.  Longer texts come by number from the
// catalog "tsn" (tsnMsgBuild).
#pragma once

#include <cstddef>

struct outdata;

/// Opens the catalog "tsn" and warns on standard error when its version
/// message 501 does not read "5.2".
void tsn_msgopen();

/// Closes the catalog if it is open.
void tsn_msgclose();

/// The text of catalog message number with its arguments; valid until the
/// next build.
const char* tsnMsgBuild(int number, ...);

/// Shows a message on standard output (padded over a progress line) and
/// counts it as a warning or error by its first word.
[[gnu::format(printf, 1, 2)]] void tsn_msg(const char* format, ...);

/// tsn_msg, then the same message as an "ER " or "| " line of the stream.
[[gnu::format(printf, 2, 3)]] void llogmsg(outdata* stream, const char* format, ...);

/// llogmsg on the netlist stream.
[[gnu::format(printf, 1, 2)]] void tsn_logmsg(const char* format, ...);

/// One progress step of a net pass / a component pass.
/// count (default 1) nets done.
void lnet_status(const char* label, int count = 1);
/// count (default 1) modules done.
void lcomp_status(const char* label, int count = 1);

/// Counting allocation; ends the run with exit code 3 when memory is out.
void* lalloc(std::size_t size);

/// Ends the run after memory ran out: "Out of memory. Quitting .." on
/// standard error and tsn_exit(3), which closes both streams (an empty log
/// is deleted).  Every allocator of the program ends here when it fails
/// (the allocator's handler, operator new's new-handler).  Should the exit
/// itself run out of memory, it is not started over and over: the second
/// time the exit goes on without the message, a third ends the process.
[[noreturn]] void tsn_out_of_memory();

/// Counting release; size is the size that was allocated.
void lfree(void* block, std::size_t size);

/// A copy of s made with lalloc (length + 1 bytes), or null for null.
char* lstrdup(const char* s);

/// Frees a copy made by lstrdup.
void lstrfree(char* s);

/// Shows "Memory Utilization: %u bytes not freed." with the balance.
void lshowmem();

/// 1, 2, 3, ... in call order.
int newsetid();

/// Bytes allocated through lalloc and not yet given back.
unsigned lallocbalance();

/// Forgets the module's state (catalog handle, progress width, balance,
/// set counter) for tests.
void tsnmsg_reset();
