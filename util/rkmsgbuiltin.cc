// util/rkmsgbuiltin.cc - an empty table of built-in catalog texts.
//
// Programs link the table that "rkmsgcmp --table" writes from the catalog
// sources (CMakeLists.txt: tsncatalogs), which takes the place of this
// one.  Only the message compiler itself, which writes that table, runs
// with this empty one: it checks catalog texts just for what no arguments
// allow, such as %n.
#include "util/rkmsg.h"

[[gnu::weak]] extern const RkMsgBuiltinCatalog rkMsgBuiltinCatalogs[] = {{nullptr, nullptr, 0}};
