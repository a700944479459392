// Starts a program and loads wine_comm_events.dll into it once its DLLs are in place, before
// anyone could open a port: `wine_launcher.exe tovran.exe [arguments...]`. Ends with the
// program's exit status.

#include <windows.h>

#include <cwchar>
#include <string>

namespace {

constexpr DWORD kStartUp = 1500;  // ms for the program to load Qt, long before the port opens

std::wstring quoted(const wchar_t* argument) {
    return L"\"" + std::wstring(argument) + L"\"";
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2)
        return 2;
    std::wstring commandLine = quoted(argv[1]);
    for (int i = 2; i < argc; ++i) commandLine += L" " + quoted(argv[i]);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 3;
    WaitForInputIdle(process.hProcess, kStartUp);
    Sleep(kStartUp);

    wchar_t dll[MAX_PATH];
    GetModuleFileNameW(nullptr, dll, MAX_PATH);
    std::wstring path(dll);
    path = path.substr(0, path.find_last_of(L"\\/") + 1) + L"wine_comm_events.dll";
    const SIZE_T bytes = (path.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process.hProcess, remote, path.c_str(), bytes, nullptr);
    const auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
    const HANDLE thread =
        CreateRemoteThread(process.hProcess, nullptr, 0, loadLibrary, remote, 0, nullptr);
    DWORD loaded = 0;
    WaitForSingleObject(thread, INFINITE);
    GetExitCodeThread(thread, &loaded);
    if (!loaded) {
        fwprintf(stderr, L"wine_launcher: %ls not loaded\n", path.c_str());
        TerminateProcess(process.hProcess, 4);
        return 4;
    }
    fwprintf(stderr, L"wine_launcher: receive events through %ls\n", path.c_str());
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    GetExitCodeProcess(process.hProcess, &status);
    return static_cast<int>(status);
}
