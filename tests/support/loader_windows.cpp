#include "loader.h"

#include <cstdio>
#include <windows.h>

MexEntry *loadMexEntry(const char *path) {
    HMODULE module = LoadLibraryA(path);
    if (!module) {
        std::fprintf(stderr, "%s: LoadLibrary failed with error %lu\n", path, GetLastError());
        return nullptr;
    }
    return reinterpret_cast<MexEntry *>(
        reinterpret_cast<void *>(GetProcAddress(module, "mexFunction")));
}

namespace {
DWORD WINAPI runWork(LPVOID work) {
    (*static_cast<const std::function<void()> *>(work))();
    return 0;
}
} // namespace

bool runOnThread(size_t stackBytes, const std::function<void()> &work) {
    HANDLE thread =
        CreateThread(nullptr, stackBytes, runWork, const_cast<std::function<void()> *>(&work),
                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (!thread) return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}
