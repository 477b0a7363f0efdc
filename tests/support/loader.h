// Loading an extension the way the host does, and running code on a thread of a
// chosen stack size; one implementation per system.
#ifndef LOADER_H
#define LOADER_H

#include "standin.h"

#include <cstddef>
#include <functional>

// The entry point of the extension at path; null when it cannot be loaded.
MexEntry *loadMexEntry(const char *path);

// Runs work to its end on a new thread whose stack holds stackBytes; false when
// no such thread could be started.
bool runOnThread(size_t stackBytes, const std::function<void()> &work);

#endif
