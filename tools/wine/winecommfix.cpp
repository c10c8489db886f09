// A Qt generic plugin that lets Qt Serial Port receive under Wine 8.0, for
// the Windows build's tests (and trials by hand) with the instrument stand-in
// on a pseudo-terminal linked in as a COM port. Loaded by
// QT_QPA_GENERIC_PLUGINS=winecommfix (under Wine: WINEQT_QPA_GENERIC_PLUGINS)
// from a "generic" folder beside the program; it changes nothing outside
// Wine and is never shipped.
//
// Qt Serial Port binds the port to an I/O completion port and waits for
// input with an overlapped WaitCommEvent(EV_RXCHAR) whose OVERLAPPED has no
// event; only that wait's completion makes it read. Wine 8.0 handles the wait
// in the program's process (dlls/ntdll/unix/serial.c): with no event it
// waits synchronously (open() hangs until a byte arrives), it polls TIOCMGET
// every millisecond and gives up when that fails (always, on a pty), and it
// never queues a completion packet, so Qt never learns that the wait ended.
// No answer from the Unix side can make that completion.
//
// So under Wine, Qt Serial Port's WaitCommEvent for EV_RXCHAR alone on an
// overlapped handle is answered at once with EV_RXCHAR, through a zero-length
// overlapped ReadFile on the caller's OVERLAPPED, which Wine completes with an
// ordinary completion packet. Qt then starts its real ReadFile; with Qt's
// ReadIntervalTimeout of MAXDWORD, Wine keeps that read pending in the
// wineserver until bytes arrive and completes it through the completion port.
// On Windows the early answer would make Qt spin, hence Wine only.

#include <QGenericPlugin>
#include <QObject>
#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <iterator>
#include <windows.h>
#include <psapi.h>

namespace {

using WaitCommEventFunction = BOOL(WINAPI *)(HANDLE, LPDWORD, LPOVERLAPPED);
WaitCommEventFunction realWaitCommEvent = nullptr;

BOOL WINAPI waitCommEventUnderWine(HANDLE port, LPDWORD events, LPOVERLAPPED overlapped)
{
    static char nothing; // a zero-length read writes nothing
    DWORD mask = 0;
    if (!overlapped || !events || !GetCommMask(port, &mask) || mask != EV_RXCHAR)
        return realWaitCommEvent(port, events, overlapped);
    *events = EV_RXCHAR;
    return ReadFile(port, &nothing, 0, nullptr, overlapped);
}

bool runningOnWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Points the import slots of the module that hold one of the targets (the
// address, not the name: kernel32 forwards it to kernelbase) at ours.
int patchImports(HMODULE module, const void *const *targets, int targetCount)
{
    auto *base = reinterpret_cast<BYTE *>(module);
    const auto *dos = reinterpret_cast<IMAGE_DOS_HEADER *>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE)
        return 0;
    const auto *nt = reinterpret_cast<IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (nt->Signature != IMAGE_NT_SIGNATURE || !imports.VirtualAddress)
        return 0;
    int patched = 0;
    for (auto *entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress); entry->Name; ++entry) {
        for (auto *slot = reinterpret_cast<IMAGE_THUNK_DATA *>(base + entry->FirstThunk); slot->u1.Function; ++slot) {
            for (int i = 0; i < targetCount; ++i) {
                DWORD old = 0;
                if (reinterpret_cast<const void *>(slot->u1.Function) != targets[i]
                    || !VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, PAGE_READWRITE, &old))
                    continue;
                slot->u1.Function = reinterpret_cast<ULONG_PTR>(&waitCommEventUnderWine);
                VirtualProtect(&slot->u1.Function, sizeof slot->u1.Function, old, &old);
                ++patched;
                break;
            }
        }
    }
    return patched;
}

// Routes Qt Serial Port's WaitCommEvent imports through ours; the number of
// import slots changed, -1 outside Wine.
int install()
{
    if (!runningOnWine())
        return -1;
    const void *targets[2];
    int targetCount = 0;
    for (const wchar_t *name : { L"kernel32.dll", L"kernelbase.dll" }) {
        const HMODULE module = GetModuleHandleW(name);
        const void *function = module ? reinterpret_cast<const void *>(GetProcAddress(module, "WaitCommEvent")) : nullptr;
        if (function && (targetCount == 0 || function != targets[0]))
            targets[targetCount++] = function;
    }
    if (targetCount == 0)
        return 0;
    if (!realWaitCommEvent)
        realWaitCommEvent = reinterpret_cast<WaitCommEventFunction>(const_cast<void *>(targets[0]));
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &needed))
        return 0;
    const int count = int(std::min<DWORD>(needed / sizeof(HMODULE), DWORD(std::size(modules))));
    int patched = 0;
    for (int i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        if (!GetModuleFileNameW(modules[i], path, MAX_PATH))
            continue;
        const wchar_t *file = std::wcsrchr(path, L'\\');
        if (!_wcsnicmp(file ? file + 1 : path, L"Qt6SerialPort", 13))
            patched += patchImports(modules[i], targets, targetCount);
    }
    return patched;
}

} // namespace

class WineCommFixPlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "winecommfix.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        if (key.compare(QLatin1String("winecommfix"), Qt::CaseInsensitive) != 0)
            return nullptr;
        const int patched = install();
        // One line, so that a log shows whether it took.
        if (patched < 0)
            std::fprintf(stderr, "winecommfix: not under Wine, nothing changed\n");
        else
            std::fprintf(stderr, "winecommfix: %d WaitCommEvent import(s) rerouted\n", patched);
        std::fflush(stderr);
        return new QObject; // Qt warns about a null object
    }
};

#include "winecommfix.moc"
