// wirelist/wlib_main.cc - entry of the library-maintenance program wlib.
#include "util/rkerr.h"
#include "wirelist/wlib.h"

int main(int argc, char** argv) { rkExit(wlib_run(argc, argv)); }
