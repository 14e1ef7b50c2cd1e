// The few C++ runtime pieces the library needs, in their smallest form: the
// plug-in throws and catches nothing. An allocation that fails gives back the
// memory reserve and tries once more; only memory exhausted beyond the reserve,
// or a container asked for more than it can hold, ends the process. Without these the
// static C++ runtime brings its whole exception machinery, a symbol demangler
// and a second string implementation into the DLL.
#include <windows.h>

#include <cstdlib>
#include <exception>
#include <new>

#include "common/memory_reserve.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  OutputDebugStringA("Tavik: fatal: ");
  OutputDebugStringA(what);
  OutputDebugStringA("\n");
  std::abort();
}

}  // namespace

// What runs when the runtime itself must end the process.
namespace __cxxabiv1 {
std::terminate_handler __terminate_handler = [] { Fail("terminate"); };
}  // namespace __cxxabiv1

void* operator new(std::size_t size) {
  const std::size_t bytes = size != 0 ? size : 1;
  void* p = std::malloc(bytes);
  if (p == nullptr && ReleaseMemoryReserve()) {
    OutputDebugStringA("Tavik: an allocation failed; the memory reserve carries on\n");
    p = std::malloc(bytes);
  }
  if (p == nullptr) Fail("out of memory");
  return p;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

// The containers' and strings' error paths.
namespace std {
void __throw_bad_alloc() { Fail("out of memory"); }
void __throw_bad_array_new_length() { Fail("bad array length"); }
void __throw_length_error(const char* what) { Fail(what); }
void __throw_logic_error(const char* what) { Fail(what); }
void __throw_out_of_range(const char* what) { Fail(what); }
void __throw_out_of_range_fmt(const char* what, ...) { Fail(what); }
void __throw_invalid_argument(const char* what) { Fail(what); }
void __throw_bad_function_call() { Fail("bad function call"); }
}  // namespace std

// The C++ runtime's prebuilt string code still carries clean-up paths for
// exceptions; with every throw above ending the process they can never run,
// so the exception runtime they name is replaced by these stops.
extern "C" {
void* __cxa_begin_catch(void*) { Fail("exception"); }
void __cxa_end_catch() { Fail("exception"); }
void __cxa_rethrow() { Fail("exception"); }
void _Unwind_Resume(void*) { Fail("exception"); }
int __gxx_personality_v0(...) { Fail("exception"); }
}
