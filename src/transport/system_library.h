#pragma once
// Where the program's DLLs come from on Windows. The loader looks for a DLL
// that is not one of the system's known DLLs in the program's own folder
// first, so that a file of a wanted name lying beside the program (in a
// Downloads folder, say) would be loaded in place of the system's. The
// programs therefore import known DLLs only, take every other system DLL
// from System32 by its full path when they first need it, and keep later
// loads (by the system itself or by libraries) to System32.

namespace kestrel {

#ifdef _WIN32
// First thing in main, before anything else can load a DLL: later loads
// search System32 only, not the program's folder, the current folder or the
// PATH.
void restrictLibrarySearch();
// The address of `function` in the system DLL `dll` (e.g. "iphlpapi.dll"),
// which is loaded from System32 by its full path and stays loaded; nullptr
// when either is missing. The caller casts it to the function's type.
void* systemLibraryFunction(const char* dll, const char* function);
#else
inline void restrictLibrarySearch() {}
#endif

}  // namespace kestrel
