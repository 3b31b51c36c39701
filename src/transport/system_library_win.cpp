// System DLLs from System32 only; see system_library.h.
#include "transport/system_library.h"

#include <windows.h>

#include <string>

namespace kestrel {

void restrictLibrarySearch() {
    // In kernel32 since Windows 8 (and Windows 7 with KB2533623).
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

void* systemLibraryFunction(const char* dll, const char* function) {
    char folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::string path = std::string(folder, n) + "\\" + dll;
    // A full path, and the DLL's own imports from System32 as well.
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(module, function));
}

}  // namespace kestrel
