// System DLLs from System32 only; see system_library.h.
#include "transport/system_library.h"

#include <windows.h>

#include <delayimp.h>

#include <string>

namespace kestrel {

namespace {

// A system DLL by its full path in System32, and its own imports from there.
HMODULE loadFromSystem32(const char* dll) {
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, n) + "\\" + dll;
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The delay-load helper asks before it loads a delay-imported DLL (the
// window delay-imports the system DLLs that are not known DLLs): the DLL
// comes from System32, also should it be needed before main has run.
FARPROC WINAPI beforeDelayLoad(unsigned notification, PDelayLoadInfo info) {
    if (notification != dliNotePreLoadLibrary || info == nullptr) return nullptr;
    return reinterpret_cast<FARPROC>(loadFromSystem32(info->szDll));
}

}  // namespace

void restrictLibrarySearch() {
    // In kernel32 since Windows 8 (and Windows 7 with KB2533623).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* systemLibraryFunction(const char* dll, const char* function) {
    HMODULE module = loadFromSystem32(dll);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module, function));
}

}  // namespace kestrel

// Taken by mingw-w64's delay-load helper in place of its empty default.
PfnDliHook __pfnDliNotifyHook2 = kestrel::beforeDelayLoad;
