// wirelist/iwacc.cc - accessors of the wirelist records.
#include "wirelist/iwacc.h"

#include "wirelist/iwmem.h"
#include "wirelist/iwtable.h"

const char* igcomnam(const IwCom* component) {
  if (!component) return nullptr;
  const IwAtt* label = iwgetatt(component->atts, "LABEL");
  return label && label->value ? label->value : component->name;
}

IwGrp* iagrpnet(IwGrp* group, IwNet* net) {
  if (!net) return group;
  if (!group && !(group = iwmakgrp(nullptr))) return nullptr;
  net->grp = group;
  if (!group->nets) group->lastnet = net;
  net->next = group->nets;
  group->nets = net;
  store_net(group, net);
  return group;
}

IwGrp* iagrpsym(IwGrp* group, IwSym* symbol) {
  if (!symbol) return group;
  if (!group && !(group = iwmakgrp(nullptr))) return nullptr;
  symbol->grp = group;
  if (!group->sym) {
    symbol->next = nullptr;
    group->sym = symbol;
    return group;
  }
  IwSym* prev = group->sym;
  while (prev->next && prev->next->number <= symbol->number) prev = prev->next;
  symbol->next = prev->next;
  prev->next = symbol;
  return group;
}
