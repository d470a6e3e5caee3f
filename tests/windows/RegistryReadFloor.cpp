// The least the registry can cost for what the program reads, measured in
// one process: the listing of the Services key and, per entry, what the
// service list's build reads (open, "ObjectName", and for a service
// "Description", "DisplayName", "Start", close; the keys opened by their
// whole path or below the open Services key, the three values one by one
// or in one RegQueryMultipleValuesW), and what the changes window's
// comparison reads (open, its nine values, "Parameters" and its
// "ServiceDll", close; or its values enumerated). Each pass is timed on its own; the measuring scripts
// set the program's own times against these.
//
//     RegistryReadFloor.exe [rounds]
//
// prints one line per kind of pass: its name and the milliseconds of each
// round, after one pass of each that warms the caches and is not counted.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

namespace {

const wchar_t kServices[] = L"System\\CurrentControlSet\\Services";

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::vector<std::wstring> ListServices() {
    std::vector<std::wstring> names;
    HKEY services = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServices, 0, KEY_READ, &services) != ERROR_SUCCESS) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (RegEnumKeyExW(services, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(services);
    return names;
}

bool Query(HKEY key, const wchar_t* name) {
    static BYTE buffer[2048];
    DWORD type = 0;
    DWORD size = sizeof buffer;
    const LONG result = RegQueryValueExW(key, name, nullptr, &type, buffer, &size);
    return result == ERROR_SUCCESS || result == ERROR_MORE_DATA;
}

// The list build's reads of one entry, its key opened by its whole path or
// below an open Services key.
int ReadLine(HKEY from, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(from, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    int service = 0;
    if (Query(key, L"ObjectName")) {
        Query(key, L"Description");
        Query(key, L"DisplayName");
        Query(key, L"Start");
        service = 1;
    }
    RegCloseKey(key);
    return service;
}

// The changes comparison's reads of one entry.
void ReadCompared(HKEY from, const std::wstring& path) {
    static const wchar_t* const kCompared[] = {L"Start",      L"DelayedAutostart", L"Type",        L"ImagePath",
                                               L"ObjectName", L"FailureCommand",   L"DisplayName", L"Group",
                                               L"ServiceDll"};
    HKEY key = nullptr;
    if (RegOpenKeyExW(from, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (const wchar_t* name : kCompared) Query(key, name);
    HKEY parameters = nullptr;
    if (RegOpenKeyExW(key, L"Parameters", 0, KEY_READ, &parameters) == ERROR_SUCCESS) {
        Query(parameters, L"ServiceDll");
        RegCloseKey(parameters);
    }
    RegCloseKey(key);
}

struct Pass {
    const char* name;
    int (*run)(int* services);
};

int ListByPath(int* services) {
    const std::vector<std::wstring> names = ListServices();
    for (const auto& name : names)
        *services += ReadLine(HKEY_LOCAL_MACHINE, std::wstring(kServices) + L"\\" + name);
    return static_cast<int>(names.size());
}

int ListBelowServices(int* services) {
    const std::vector<std::wstring> names = ListServices();
    HKEY parent = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kServices, 0, KEY_READ, &parent) != ERROR_SUCCESS) return 0;
    for (const auto& name : names) *services += ReadLine(parent, name);
    RegCloseKey(parent);
    return static_cast<int>(names.size());
}

// The list build's reads with the three values of a service asked for in
// one RegQueryMultipleValuesW.
int ReadLineAtOnce(HKEY from, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(from, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    int service = 0;
    if (Query(key, L"ObjectName")) {
        VALENTW values[3] = {{const_cast<LPWSTR>(L"Description"), 0, 0, 0},
                             {const_cast<LPWSTR>(L"DisplayName"), 0, 0, 0},
                             {const_cast<LPWSTR>(L"Start"), 0, 0, 0}};
        static wchar_t buffer[4096];
        DWORD size = sizeof buffer;
        RegQueryMultipleValuesW(key, values, 3, buffer, &size);
        service = 1;
    }
    RegCloseKey(key);
    return service;
}

int ListAtOnce(int* services) {
    const std::vector<std::wstring> names = ListServices();
    for (const auto& name : names)
        *services += ReadLineAtOnce(HKEY_LOCAL_MACHINE, std::wstring(kServices) + L"\\" + name);
    return static_cast<int>(names.size());
}

// The comparison's reads another way: the entry's counts asked once, then
// every value it holds enumerated with its data (a call per value held, not
// per value wanted), and "Parameters" opened only where the entry has a
// subkey.
void ReadComparedEnumerated(HKEY from, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(from, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS) {
        for (DWORD i = 0; i < values; ++i) {
            static wchar_t name[16384];
            static BYTE data[2048];
            DWORD nameLength = 16384;
            DWORD type = 0;
            DWORD size = sizeof data;
            RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size);
        }
        HKEY parameters = nullptr;
        if (subkeys > 0 && RegOpenKeyExW(key, L"Parameters", 0, KEY_READ, &parameters) == ERROR_SUCCESS) {
            Query(parameters, L"ServiceDll");
            RegCloseKey(parameters);
        }
    }
    RegCloseKey(key);
}

int ComparedEnumerated(int*) {
    const std::vector<std::wstring> names = ListServices();
    for (const auto& name : names) ReadComparedEnumerated(HKEY_LOCAL_MACHINE, std::wstring(kServices) + L"\\" + name);
    return static_cast<int>(names.size());
}

int ComparedByPath(int*) {
    const std::vector<std::wstring> names = ListServices();
    for (const auto& name : names) ReadCompared(HKEY_LOCAL_MACHINE, std::wstring(kServices) + L"\\" + name);
    return static_cast<int>(names.size());
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 7;
    if (rounds < 1) return 2;
    const Pass passes[] = {{"list_by_path", ListByPath},
                           {"list_below_services", ListBelowServices},
                           {"list_values_at_once", ListAtOnce},
                           {"changes_by_path", ComparedByPath},
                           {"changes_enumerated", ComparedEnumerated}};
    std::vector<std::vector<double>> times(std::size(passes));
    int entries = 0;
    int services = 0;
    for (int round = 0; round <= rounds; ++round) {
        for (std::size_t p = 0; p < std::size(passes); ++p) {
            int found = 0;
            const double started = Now();
            entries = passes[p].run(&found);
            if (p == 0) services = found;
            const double elapsed = Now() - started;
            if (round > 0) times[p].push_back(elapsed);
        }
    }
    if (entries == 0) {
        std::fprintf(stderr, "the Services key lists no entry\n");
        return 1;
    }
    std::printf("entries %d services %d\n", entries, services);
    for (std::size_t p = 0; p < std::size(passes); ++p) {
        std::printf("%s", passes[p].name);
        for (const double t : times[p]) std::printf(" %.1f", t);
        std::printf("\n");
    }
    return 0;
}
