// wirelist/iwgbl.h - the global net table.
//
// A global net (declared by a "G" record of a wirelist) is one signal in
// every group that declares it.  The table keeps one entry per global net
// name, newest first: the first net object seen with that name and the
// groups that declare it, newest first, each group once by name.  Entries
// are found by the name of their net through an index beside the list;
// whoever renames a global net calls iwgblreindex.
//
// Entries and group cells are heap memory of the table (iwgblfree);
// iwgblnet and iwgblgrp each keep one process-wide cursor.
#pragma once

#include <string>
#include <unordered_set>

#include "wirelist/iwobj.h"

/// One group that declares a global net.
struct IwGblGroup {
  IwGrp* grp = nullptr;        // the declaring group
  IwGblGroup* next = nullptr;  // next (older) declaring group
};

/// One global net name.
struct IwGblEntry {
  IwNet* net = nullptr;                      // the first net seen with this name
  IwGblGroup* groups = nullptr;              // declaring groups, newest first
  IwGblEntry* next = nullptr;                // next (older) entry
  std::unordered_set<std::string> grpnames;  // names of the declaring groups
};

/// Empties the global net table (freeing what it held).
void iwgblinit();

/// Frees every entry and group cell and empties the table.
void iwgblfree();

/// Adds group to the entry named like net, creating the entry (holding
/// net) at the head when there is none; a group whose name is already
/// listed is not added again.
void iwaddgblnet(IwNet* net, IwGrp* group);

/// The net of the first entry (prev null) or of the entry after the
/// cursor (prev non-null); null at the end.
IwNet* iwgblnet(const IwNet* prev);

/// The first (next 0) or next (next non-zero) group declaring the global
/// net named like net; null at the end or for a null net.
IwGrp* iwgblgrp(const IwNet* net, int next);

/// Reads the rest of a "G" record while group's wirelist is read: every
/// signal of the name becomes a global net of group and enters the table.
void iwgnet(IwGrp* group);

/// Rebuilds the name index after a net of the table was renamed.
void iwgblreindex();

/// Removes and frees the first entry (from the head) that holds net, with
/// its group list; nothing when no entry holds it.
void iwdelgblnet(IwNet* net);

/// Every entry that holds oldnet holds newnet from now on.
void iwreplacegblnet(IwNet* newnet, IwNet* oldnet);

/// Removes group (the object) from the entry named like net; an entry
/// left without groups is removed.  Null arguments do nothing.
void iwgbldel(IwNet* net, IwGrp* group);

/// Before net is deleted: every entry holding it takes the net of the
/// same name of another declaring group instead (net's group leaves the
/// entry), or is removed when no other group has one.
void iwgblforget(IwNet* net);

/// Carries global names up the hierarchy below group, bottom level
/// first: a net tied through a port of a non-leaf component to a global
/// net of the lower group takes that global name (messages 180-182); a
/// net that is global already under another name is a conflict (246-248)
/// and keeps its name.  Then every local net of group named like a global
/// net is a clash (183).  Returns the conflicts and clashes of group
/// itself; those of lower groups are reported but not counted.
int iwgblren(IwGrp* group);
