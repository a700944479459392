// Loaded into tovran.exe under Wine by wine_launcher.exe: Wine 8.0 gives Qt Serial Port no
// receive event. Qt waits for WaitCommEvent's completion on an I/O completion port, with no
// event in its OVERLAPPED; Wine then waits inside the call itself and posts nothing to the port.
// Here Qt Serial Port's calls to WaitCommEvent go to a thread of their own that waits on an
// event, and the completion is posted to Qt's port as Windows would.

#include <windows.h>

#include <map>
#include <mutex>

namespace {

struct Completion {
    HANDLE port;
    ULONG_PTR key;
};

std::mutex lock;
std::map<HANDLE, Completion> completions;  // a serial handle's port, as Qt associated them

using CreatePort = HANDLE(WINAPI*)(HANDLE, HANDLE, ULONG_PTR, DWORD);
CreatePort realCreatePort;

HANDLE WINAPI createPort(HANDLE file, HANDLE existing, ULONG_PTR key, DWORD threads) {
    const HANDLE port = realCreatePort(file, existing, key, threads);
    if (port && file != INVALID_HANDLE_VALUE) {
        const std::lock_guard guard(lock);
        completions[file] = {port, key};
    }
    return port;
}

struct Wait {
    HANDLE file;
    DWORD* mask;
    OVERLAPPED* overlapped;
    Completion completion;
};

// One wait at a time, as Qt asks: Wine's own WaitCommEvent with an event, repeated while Wine
// ends it with no event (a line it cannot watch), then the completion on Qt's port.
DWORD WINAPI waitForEvent(void* argument) {
    const Wait* wait = static_cast<Wait*>(argument);
    OVERLAPPED own{};
    own.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD mask = 0;
    DWORD status = 0;
    for (;;) {
        ResetEvent(own.hEvent);
        mask = 0;
        // The event's low bit keeps this wait's own completion off Qt's port.
        own.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(own.hEvent) | 1);
        const BOOL done = WaitCommEvent(wait->file, &mask, &own);
        own.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(own.hEvent) & ~1ULL);
        if (!done && GetLastError() == ERROR_IO_PENDING)
            WaitForSingleObject(own.hEvent, INFINITE);
        status = static_cast<DWORD>(own.Internal);
        if (mask != 0 || (status != 0 && status != 0xC0000120 /* STATUS_CANCELLED */))
            break;
        Sleep(1);
    }
    CloseHandle(own.hEvent);
    *wait->mask = mask;
    wait->overlapped->Internal = status;
    wait->overlapped->InternalHigh = sizeof(DWORD);
    PostQueuedCompletionStatus(wait->completion.port, sizeof(DWORD), wait->completion.key,
                               wait->overlapped);
    delete wait;
    return 0;
}

using WaitComm = BOOL(WINAPI*)(HANDLE, DWORD*, OVERLAPPED*);
WaitComm realWaitComm;

BOOL WINAPI waitCommEvent(HANDLE file, DWORD* mask, OVERLAPPED* overlapped) {
    Completion completion{};
    {
        const std::lock_guard guard(lock);
        const auto found = completions.find(file);
        if (found == completions.end() || !overlapped || overlapped->hEvent)
            return realWaitComm(file, mask, overlapped);
        completion = found->second;
    }
    overlapped->Internal = 0x103;  // STATUS_PENDING
    const HANDLE thread =
        CreateThread(nullptr, 0, waitForEvent, new Wait{file, mask, overlapped, completion}, 0,
                     nullptr);
    CloseHandle(thread);
    SetLastError(ERROR_IO_PENDING);
    return FALSE;
}

// Points `module`'s import of `function` from kernel32 at `replacement`; the old target.
void* redirect(HMODULE module, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; descriptor->Name; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + descriptor->Name), "kernel32.dll") != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD old = 0;
            VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
            void* previous = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
            return previous;
        }
    }
    return nullptr;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    const HMODULE serialPort = GetModuleHandleW(L"Qt6SerialPort.dll");
    if (!serialPort)
        return FALSE;
    realCreatePort = reinterpret_cast<CreatePort>(
        redirect(serialPort, "CreateIoCompletionPort", reinterpret_cast<void*>(createPort)));
    realWaitComm = reinterpret_cast<WaitComm>(
        redirect(serialPort, "WaitCommEvent", reinterpret_cast<void*>(waitCommEvent)));
    return realCreatePort && realWaitComm;
}
