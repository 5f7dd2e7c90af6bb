// Libraries opened at their first call instead of linked: a library loaded at start costs every
// run its relocated pages whether or not it is ever used.
#pragma once

#include <dlfcn.h>

namespace platform {

// Opens a library for the rest of the process; nullptr when it cannot be.
inline void* openLibrary(const char* soname) { return dlopen(soname, RTLD_NOW | RTLD_LOCAL); }

// Points `call` at the library's `symbol`; false when the library lacks it.
template <class F>
bool bindCall(void* library, const char* symbol, F& call) {
  call = reinterpret_cast<F>(dlsym(library, symbol));
  return call != nullptr;
}

}  // namespace platform
