// netlister/tsndtb.h - back-annotation files and the annotation of the
// occurrences being written.
#pragma once

/// Reads a back-annotation file; 0 after reading, 1 when nothing was read.
int readDtbFile(const char* name, const char* prefix);

/// Reports back-annotation entries that matched nothing.
void unrefDtbs();

/// Writes the annotation table to dtb.out (debug mode).
void printDtbStructures();

/// Does nothing: the table lives until the process ends.
void dtbFree();
