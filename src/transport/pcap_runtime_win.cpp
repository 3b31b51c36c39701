// Npcap's wpcap.dll, loaded at run time from System32\Npcap, as capture tools
// do: the program has no import of wpcap.dll and so starts without Npcap.
// The libpcap functions that the rest of the code calls are defined here and
// forward through one table filled by GetProcAddress; the first call loads
// the library. Only the functions that the program uses are listed: a new
// one fails to link until it is added here.
#include <pcap/pcap.h>
#include <windows.h>

#include <cstdio>
#include <mutex>
#include <set>
#include <string>

#include "transport/pcap_runtime.h"

namespace kestrel {

namespace {

#define KESTREL_PCAP_FUNCTIONS(X) \
    X(pcap_activate)              \
    X(pcap_breakloop)             \
    X(pcap_close)                 \
    X(pcap_compile)               \
    X(pcap_create)                \
    X(pcap_datalink)              \
    X(pcap_dump)                  \
    X(pcap_dump_close)            \
    X(pcap_dump_open)             \
    X(pcap_findalldevs)           \
    X(pcap_freealldevs)           \
    X(pcap_freecode)              \
    X(pcap_geterr)                \
    X(pcap_next_ex)               \
    X(pcap_open_offline)          \
    X(pcap_set_buffer_size)       \
    X(pcap_set_promisc)           \
    X(pcap_set_snaplen)           \
    X(pcap_set_timeout)           \
    X(pcap_setfilter)             \
    X(pcap_stats)                 \
    X(pcap_statustostr)

struct PcapTable {
#define KESTREL_PCAP_SLOT(name) decltype(&::name) name = nullptr;
    KESTREL_PCAP_FUNCTIONS(KESTREL_PCAP_SLOT)
#undef KESTREL_PCAP_SLOT
    // Optional: off is every library's default, so one without it serves as
    // long as nobody asks for immediate delivery (Wine's stand-in lacks it).
    decltype(&::pcap_set_immediate_mode) pcap_set_immediate_mode = nullptr;
    // Optional too: only a refused link type is named with them.
    decltype(&::pcap_datalink_val_to_name) pcap_datalink_val_to_name = nullptr;
    decltype(&::pcap_datalink_val_to_description) pcap_datalink_val_to_description = nullptr;
};

template <typename Fn>
Fn resolve(HMODULE module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

struct Library {
    PcapTable fn;
    std::optional<std::string> problem;
};

std::string systemText(DWORD code) {
    char* text = nullptr;
    const DWORD n = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = n > 0 ? std::string(text, n) : "error " + std::to_string(code);
    if (text != nullptr) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == '.'))
        out.pop_back();
    return out;
}

Library load() {
    Library lib;
    char system[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        lib.problem = "Npcap cannot be looked for: " + systemText(GetLastError());
        return lib;
    }
    const std::string path = std::string(system, n) + "\\Npcap\\wpcap.dll";
    // A full path, and the DLL's own folder searched for its Packet.dll: no
    // wpcap.dll from the program's folder or the PATH is ever taken.
    HMODULE module = LoadLibraryExA(
        path.c_str(), nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) {
        lib.problem = "Npcap is not installed (" + path + ": " + systemText(GetLastError()) + ")";
        return lib;
    }
#define KESTREL_PCAP_RESOLVE(name)                           \
    lib.fn.name = resolve<decltype(&::name)>(module, #name); \
    if (lib.fn.name == nullptr && !lib.problem)              \
        lib.problem = "Npcap is too old (" + path + " lacks " #name ")";
    KESTREL_PCAP_FUNCTIONS(KESTREL_PCAP_RESOLVE)
#undef KESTREL_PCAP_RESOLVE
    if (lib.problem) {
        FreeLibrary(module);
        lib.fn = {};
        return lib;
    }
    lib.fn.pcap_set_immediate_mode =
        resolve<decltype(&::pcap_set_immediate_mode)>(module, "pcap_set_immediate_mode");
    lib.fn.pcap_datalink_val_to_name =
        resolve<decltype(&::pcap_datalink_val_to_name)>(module, "pcap_datalink_val_to_name");
    lib.fn.pcap_datalink_val_to_description =
        resolve<decltype(&::pcap_datalink_val_to_description)>(module,
                                                               "pcap_datalink_val_to_description");
    // Error texts and device descriptions in UTF-8 rather than the local
    // code page, where the library is new enough to offer it.
    if (auto init = resolve<int (*)(unsigned int, char*)>(module, "pcap_init")) {
        char err[PCAP_ERRBUF_SIZE] = {};
        (void)init(PCAP_CHAR_ENC_UTF_8, err);
    }
    return lib;  // the module stays loaded until the process ends
}

const Library& library() {
    static const Library lib = load();
    return lib;
}

const PcapTable& fn() { return library().fn; }

// Handles whose loop was asked to stop, so that the loop below can tell a
// stop from the end of a file: pcap_next_ex answers both alike.
std::mutex breakMutex;
std::set<pcap_t*> breaking;

bool takeBreak(pcap_t* p) {
    std::lock_guard lock(breakMutex);
    return breaking.erase(p) > 0;
}

void setError(char* errbuf) {
    if (errbuf == nullptr) return;
    std::snprintf(errbuf, PCAP_ERRBUF_SIZE, "%s", library().problem->c_str());
}

}  // namespace

std::optional<std::string> captureLibraryProblem() { return library().problem; }

}  // namespace kestrel

using kestrel::fn;

// The entry points answer the library's own failure when it is missing; the
// others take a handle or a list that only a loaded library hands out.
extern "C" {

int pcap_findalldevs(pcap_if_t** devices, char* errbuf) {
    if (kestrel::captureLibraryProblem()) {
        kestrel::setError(errbuf);
        return PCAP_ERROR;
    }
    return fn().pcap_findalldevs(devices, errbuf);
}

pcap_t* pcap_create(const char* source, char* errbuf) {
    if (kestrel::captureLibraryProblem()) {
        kestrel::setError(errbuf);
        return nullptr;
    }
    return fn().pcap_create(source, errbuf);
}

pcap_t* pcap_open_offline(const char* path, char* errbuf) {
    if (kestrel::captureLibraryProblem()) {
        kestrel::setError(errbuf);
        return nullptr;
    }
    return fn().pcap_open_offline(path, errbuf);
}

const char* pcap_statustostr(int status) {
    return kestrel::captureLibraryProblem() ? "capture library missing"
                                            : fn().pcap_statustostr(status);
}

void pcap_freealldevs(pcap_if_t* d) { fn().pcap_freealldevs(d); }
int pcap_activate(pcap_t* p) { return fn().pcap_activate(p); }
void pcap_breakloop(pcap_t* p) {
    {
        std::lock_guard lock(kestrel::breakMutex);
        kestrel::breaking.insert(p);
    }
    fn().pcap_breakloop(p);
}
void pcap_close(pcap_t* p) {
    (void)kestrel::takeBreak(p);
    fn().pcap_close(p);
}
int pcap_compile(pcap_t* p, bpf_program* f, const char* s, int o, bpf_u_int32 m) {
    return fn().pcap_compile(p, f, s, o, m);
}
void pcap_dump(u_char* d, const pcap_pkthdr* h, const u_char* b) { fn().pcap_dump(d, h, b); }
void pcap_dump_close(pcap_dumper_t* d) { fn().pcap_dump_close(d); }
pcap_dumper_t* pcap_dump_open(pcap_t* p, const char* path) { return fn().pcap_dump_open(p, path); }
void pcap_freecode(bpf_program* f) { fn().pcap_freecode(f); }
char* pcap_geterr(pcap_t* p) { return fn().pcap_geterr(p); }
// The capture loop, over pcap_next_ex with the results of libpcap's
// pcap_loop: 0 at the end of a file or of `count` frames, PCAP_ERROR_BREAK
// after pcap_breakloop, PCAP_ERROR on an error. Every wpcap.dll has a working
// pcap_next_ex; Wine's, which stands in for Npcap in the tests, has no
// working pcap_loop.
int pcap_loop(pcap_t* p, int count, pcap_handler handler, u_char* user) {
    for (int done = 0; count <= 0 || done < count;) {
        pcap_pkthdr* header = nullptr;
        const u_char* bytes = nullptr;
        const int rc = fn().pcap_next_ex(p, &header, &bytes);
        if (rc == 1) {
            handler(user, header, bytes);
            ++done;
        } else if (rc == 0) {  // the read timed out with nothing
            if (kestrel::takeBreak(p)) return PCAP_ERROR_BREAK;
        } else if (rc == PCAP_ERROR_BREAK) {
            return kestrel::takeBreak(p) ? PCAP_ERROR_BREAK : 0;
        } else {
            return rc;
        }
    }
    return 0;
}
int pcap_datalink(pcap_t* p) { return fn().pcap_datalink(p); }
const char* pcap_datalink_val_to_name(int dlt) {
    const auto f = fn().pcap_datalink_val_to_name;
    return f != nullptr ? f(dlt) : nullptr;
}
const char* pcap_datalink_val_to_description(int dlt) {
    const auto f = fn().pcap_datalink_val_to_description;
    return f != nullptr ? f(dlt) : nullptr;
}
int pcap_set_buffer_size(pcap_t* p, int n) { return fn().pcap_set_buffer_size(p, n); }
int pcap_set_immediate_mode(pcap_t* p, int on) {
    if (fn().pcap_set_immediate_mode != nullptr) return fn().pcap_set_immediate_mode(p, on);
    return on == 0 ? 0 : PCAP_ERROR;
}
int pcap_set_promisc(pcap_t* p, int on) { return fn().pcap_set_promisc(p, on); }
int pcap_set_snaplen(pcap_t* p, int n) { return fn().pcap_set_snaplen(p, n); }
int pcap_set_timeout(pcap_t* p, int ms) { return fn().pcap_set_timeout(p, ms); }
int pcap_setfilter(pcap_t* p, bpf_program* f) { return fn().pcap_setfilter(p, f); }
int pcap_stats(pcap_t* p, pcap_stat* s) { return fn().pcap_stats(p, s); }

}  // extern "C"
