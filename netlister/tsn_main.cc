// netlister/tsn_main.cc - program entry: hands the arguments to the run
// sequence, which ends the process itself.
//
// The program's own operator new: the allocations of the standard library
// (strings, vectors, maps) take part in fault injection like those of
// util/rkmem (TSN_ALLOC_FAIL, see rkmem.h), and a failure goes to the
// new-handler the run installs, which ends the run as every other
// allocator does.  operator new[] and the nothrow forms of the library
// call this one; operator delete stays the library's (free).
#include <cstdlib>
#include <new>

#include "netlister/tsn.h"
#include "util/rkmem.h"

void* operator new(std::size_t size) {
  for (;;) {
    void* p = rkMemInjectedFailure() ? nullptr : std::malloc(size ? size : 1);
    if (p) return p;
    std::new_handler handler = std::get_new_handler();
    if (!handler) throw std::bad_alloc();
    handler();
  }
}

int main(int argc, char** argv) {
  tsnmain(argc, argv);
  return 3;  // not reached: tsnmain ends through tsn_exit
}
