// tests/iwdump.h - the whole in-memory design as text, for the tests that
// show a call changed nothing: a dump before and one after are compared.
//
// Everything a call could touch is in it, in list order: the libraries,
// the group reference list and group table, each group's symbols with
// their pins, ties and attributes, its sheets with their components,
// pins and attributes, its nets with their rings, kinds and attributes,
// the entries of the sheets' component tables and of the net tables, and
// the global net table.
#pragma once

#include <cstdarg>
#include <cstdio>
#include <string>

#include "wirelist/iwacc.h"
#include "wirelist/iwgbl.h"
#include "wirelist/iwobj.h"
#include "wirelist/iwsession.h"
#include "wirelist/iwtable.h"

namespace testutil {

// Appends a formatted line part to s.
[[gnu::format(printf, 2, 3)]] inline void DumpAdd(std::string* s, const char* format, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, format);
  std::vsnprintf(buf, sizeof buf, format, ap);
  va_end(ap);
  s->append(buf);
}

inline const char* DumpText(const char* t) { return t ? t : "-"; }

inline std::string DumpAtts(const IwAtt* a) {
  std::string s;
  for (; a; a = a->next) DumpAdd(&s, " %s=%s", DumpText(a->name), DumpText(a->value));
  return s;
}

inline std::string DumpModel() {
  std::string s;
  for (const IwLib* l = iws.libs; l; l = l->next) DumpAdd(&s, "lib %s %d\n", DumpText(l->name), l->handle);
  DumpAdd(&s, "top %s\n", iws.topgrp ? DumpText(iws.topgrp->name) : "-");
  for (const IwGrp* g = iws.grpref; g; g = g->next) {
    DumpAdd(&s, "group %s lib %s%s\n", DumpText(g->name), g->lib ? DumpText(g->lib->name) : "-",
            fetch_grp(g->name) == g ? " tabled" : "");
    for (const IwSym* y = g->sym; y; y = y->next) {
      DumpAdd(&s, " sym %d type %d pins %d%s\n", y->number, y->symtype, y->npins,
              DumpAtts(y->atts).c_str());
      for (const IwSpn* p = y->spns; p; p = p->next)
        DumpAdd(&s, "  spn %s net %s%s\n", DumpText(p->name), p->net ? DumpText(p->net->name) : "-",
                DumpAtts(p->atts).c_str());
    }
    for (const IwSch* h = g->schs; h; h = h->next) {
      DumpAdd(&s, " sheet %d%s\n", h->number, DumpAtts(h->atts).c_str());
      for (const IwCom* c = h->coms; c; c = c->next) {
        DumpAdd(&s, "  com %s of %s%s%s\n", DumpText(c->name),
                c->sym && c->sym->grp ? DumpText(c->sym->grp->name) : "-",
                fetch_com(h, igcomnam(c)) == c ? " tabled" : "", DumpAtts(c->atts).c_str());
        for (const IwPin* p = igcompin(c); p; p = igpincnx(p)) {
          const IwNet* n = igpinnet(p);
          DumpAdd(&s, "   pin %d %s%s\n", p->index, n ? DumpText(n->name) : "-",
                  DumpAtts(p->atts).c_str());
        }
      }
      DumpAdd(&s, "  last %s\n", h->lastcom ? DumpText(h->lastcom->name) : "-");
    }
    for (const IwNet* n = g->nets; n; n = n->next) {
      DumpAdd(&s, " net %s kind %d%s%s ring", DumpText(n->name), n->kind,
              fetch_net(g, n->name) == n ? " tabled" : "", DumpAtts(n->atts).c_str());
      for (const IwPin* p = ignetpin(n); p; p = igpinnnx(p)) {
        const IwCom* c = igpinown(p);
        DumpAdd(&s, " %s.%d", c ? DumpText(c->name) : "-", p->index);
      }
      s += "\n";
    }
    DumpAdd(&s, " lastnet %s\n", g->lastnet ? DumpText(g->lastnet->name) : "-");
  }
  for (IwNet* n = iwgblnet(nullptr); n; n = iwgblnet(n)) {
    DumpAdd(&s, "global %s of", DumpText(n->name));
    for (IwGrp* g = iwgblgrp(n, 0); g; g = iwgblgrp(n, 1)) DumpAdd(&s, " %s", DumpText(g->name));
    s += "\n";
  }
  return s;
}

}  // namespace testutil
