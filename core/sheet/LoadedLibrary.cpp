#include "LoadedLibrary.h"

#include <dlfcn.h>

LoadedLibrary::LoadedLibrary(const char *fileName)
    // Its own symbols stay its own: the program's copies of the same names are not replaced.
    : m_handle(::dlopen(fileName, RTLD_NOW | RTLD_LOCAL))
{
}

void *LoadedLibrary::symbol(const char *name) const
{
    return m_handle ? ::dlsym(m_handle, name) : nullptr;
}
