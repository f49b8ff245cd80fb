// wirelist/iwrdsym.h - the symbol reader.
//
// Turns a symbol file (<group>.<n>) into a symbol of its group.
#pragma once

#include "wirelist/iwobj.h"

/// Reads the group's symbol number 1; the symbol, or null when it cannot
/// be read.
IwSym* iwldasym(IwGrp* group);
