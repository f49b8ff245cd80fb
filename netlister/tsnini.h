// netlister/tsnini.h - the initialization file tsn.ini: attribute filter,
// level usage, analog component filter and SPAWN directives.
#pragma once

struct outdata;

/// One SPAWN directive of tsn.ini, in file order.
struct SpawnDirective {
  SpawnDirective* next;  // next directive
  char* key;             // attribute=value as written
  char* first;           // command words before "$" (1024-byte buffer) or null
  char* second;          // command words after "$" (1024-byte buffer) or null
};

/// Finds, reads and applies tsn.ini; reports through the netlist stream.
void read_ini_file(outdata* out);

/// 1 when the attribute is dropped from the netlist, 0 when it is written.
int filterit(const char* name);

/// Frees the attribute table.
void clr_attr_flt();
