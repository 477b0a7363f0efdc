#include "loader.h"

#include <cstdio>
#include <dlfcn.h>
#include <pthread.h>

MexEntry *loadMexEntry(const char *path) {
    void *module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "%s\n", dlerror());
        return nullptr;
    }
    return reinterpret_cast<MexEntry *>(dlsym(module, "mexFunction"));
}

namespace {
void *runWork(void *work) {
    (*static_cast<const std::function<void()> *>(work))();
    return nullptr;
}
} // namespace

bool runOnThread(size_t stackBytes, const std::function<void()> &work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, stackBytes) == 0 &&
                         pthread_create(&thread, &attributes, runWork,
                                        const_cast<std::function<void()> *>(&work)) == 0;
    if (started) pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    return started;
}
