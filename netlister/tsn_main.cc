// netlister/tsn_main.cc - program entry: hands the arguments to the run
// sequence, which ends the process itself.
//
// The program's own operator new and delete: the allocations of the
// standard library (strings, vectors, maps) take part in fault injection
// like those of util/rkmem (TSN_ALLOC_FAIL, see rkmem.h), and a failure
// goes to the new-handler the run installs, which ends the run as every
// other allocator does.  All the plain forms are replaced together, so
// that each block is released by the allocator that made it (the sanitizer
// build brings its own forms, and mixing the two is an error there); the
// over-aligned forms are left to the library, which pairs them itself.
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

void* operator new[](std::size_t size) { return ::operator new(size); }

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return ::operator new(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return ::operator new(size, tag);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

int main(int argc, char** argv) {
  tsnmain(argc, argv);
  return 3;  // not reached: tsnmain ends through tsn_exit
}
