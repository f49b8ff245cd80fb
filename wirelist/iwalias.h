// wirelist/iwalias.h - merging aliased nets.
//
// A net attribute NET_ALIAS=B on net A says that A and B are one signal
// of the same schematic.  After a design is loaded, iwfix_aliases merges
// every such family of nets of a group into one net: it chooses the name
// that survives (CHOSEN=THIS first, then a net named like its port, then
// one whose port covers it, then a global net, then a net covered by a
// wider one, then the smallest name in byte order), moves the pins and
// attributes of the others onto it and keeps their names as NET_ALIAS
// attributes.  Aliases of buses carry over to their sub-buses: when
// A[0:7] is aliased to B[0:7], an alias set holding A[2:3] gains B[2:3].
//
// Reports, by catalog number: 424 and 425 for each merged net, 426-428
// when the aliases would join two ports of the group (the set is left
// alone), 429 and 430 for aliases of different widths, 430 for internal
// errors.  The pass goes on after each of them.
#pragma once

/// Runs the alias pass over every group of the group reference list.
void iwfix_aliases();
