// wirelist/wlib_main.cc - entry of the library-maintenance program wlib.
#include "store/pxlib.h"
#include "util/rkerr.h"
#include "wirelist/wlib.h"

int main(int argc, char** argv) {
  // Catalogs are support files, found by the store's search rule.
  pxFindCatalogs();
  rkExit(wlib_run(argc, argv));
}
