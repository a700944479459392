// Loaded into tovran.exe under Wine by wine_launcher.exe: Wine 8.0 gives Qt Serial Port no
// receive event. Qt waits for WaitCommEvent's completion on an I/O completion port, with no
// event in its OVERLAPPED; Wine then waits inside the call itself and posts nothing to the port.
// Here Qt Serial Port's calls to WaitCommEvent go to a thread of their own that waits on an
// event, and the completion is posted to Qt's port as Windows would, until Qt cancels.

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

namespace {

struct Completion {
    HANDLE port;
    ULONG_PTR key;
    unsigned generation;  // a handle's value comes back with the next port opened
};

constexpr ULONG_PTR kStatusPending = 0x103;
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;

std::mutex lock;
std::map<HANDLE, Completion> completions;  // a serial handle's port, as Qt associated them
unsigned generations = 0;

using CreatePort = HANDLE(WINAPI*)(HANDLE, HANDLE, ULONG_PTR, DWORD);
CreatePort realCreatePort;

HANDLE WINAPI createPort(HANDLE file, HANDLE existing, ULONG_PTR key, DWORD threads) {
    const HANDLE port = realCreatePort(file, existing, key, threads);
    if (port && file != INVALID_HANDLE_VALUE) {
        const std::lock_guard guard(lock);
        completions[file] = {port, key, ++generations};
    }
    return port;
}

// Qt cancels before it closes the port and lets its requests go: from here on a wait that ends
// leaves them alone.
using Cancel = BOOL(WINAPI*)(HANDLE);
Cancel realCancel;

BOOL WINAPI cancelIo(HANDLE file) {
    {
        const std::lock_guard guard(lock);
        completions.erase(file);
    }
    return realCancel(file);
}

struct Wait {
    HANDLE file;
    DWORD* mask;
    OVERLAPPED* overlapped;
    Completion completion;
};

bool stillWanted(const Wait& wait) {
    const auto found = completions.find(wait.file);
    return found != completions.end() && found->second.generation == wait.completion.generation;
}

// What Windows does when the wait ends: the events in Qt's mask, the status in its OVERLAPPED,
// the packet on its port. Nothing once Qt has let the request go.
void complete(const Wait& wait, DWORD mask, ULONG_PTR status) {
    const std::lock_guard guard(lock);
    if (!stillWanted(wait))
        return;
    *wait.mask = mask;
    wait.overlapped->Internal = status;
    wait.overlapped->InternalHigh = sizeof(DWORD);
    PostQueuedCompletionStatus(wait.completion.port, sizeof(DWORD), wait.completion.key,
                               wait.overlapped);
}

// One wait at a time, as Qt asks: Wine's own WaitCommEvent with an event, asked again while
// Wine ends it with no event (a line it cannot watch), until the port closes.
DWORD WINAPI waitForEvent(void* argument) {
    const std::unique_ptr<Wait> wait(static_cast<Wait*>(argument));
    const HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (;;) {
        {
            const std::lock_guard guard(lock);
            if (!stillWanted(*wait))
                break;
        }
        OVERLAPPED own{};
        // The event's low bit keeps this wait's own completion off Qt's port.
        own.hEvent = reinterpret_cast<HANDLE>(reinterpret_cast<ULONG_PTR>(event) | 1);
        ResetEvent(event);
        DWORD mask = 0;
        if (!WaitCommEvent(wait->file, &mask, &own)) {
            if (GetLastError() != ERROR_IO_PENDING)
                break;  // the port is closed
            WaitForSingleObject(event, INFINITE);
        }
        if (mask != 0 || (own.Internal != 0 && own.Internal != kStatusCancelled)) {
            complete(*wait, mask, own.Internal);
            break;
        }
        Sleep(1);
    }
    CloseHandle(event);
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
    overlapped->Internal = kStatusPending;
    const HANDLE thread = CreateThread(nullptr, 0, waitForEvent,
                                       new Wait{file, mask, overlapped, completion}, 0, nullptr);
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
    realCancel = reinterpret_cast<Cancel>(
        redirect(serialPort, "CancelIo", reinterpret_cast<void*>(cancelIo)));
    return realCreatePort && realWaitComm && realCancel;
}
