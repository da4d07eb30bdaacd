#!/usr/bin/env python3
"""kalto.exe starts on Windows 7 SP1: it imports no function that a later
Windows introduced. Windows refuses to start a program whose import table
names a function its DLLs do not export, so every such function must be
looked up at run time (GetProcAddress) with a fallback instead.

Usage: import_floor_test.py <objdump> <kalto.exe> <newer_import_probe.exe>

The probe imports two newer functions directly; the check must find them,
which shows it can fail. The functions the program delay-loads are checked
too, and the DLLs it imports at start are held to an allow-list.
"""
import re
import struct
import subprocess
import sys
import unittest

# Whole DLLs that Windows 7 SP1 does not have: shcore (8.1, the DPI functions
# of 8.1), combase (8, the Windows Runtime base). The API-set names
# ("api-ms-win-...") are how the universal C runtime and the newer Windows
# import libraries link; Windows 7 resolves only a few of them, and then only
# with later updates, so the program links to the classic DLL names alone.
NEWER_DLLS = {"shcore.dll", "combase.dll"}
NEWER_DLL_PREFIXES = ("api-ms-win-", "ext-ms-win-")

# Functions of the DLLs we import that appeared after Windows 7 SP1, by the
# Windows version that introduced them (from the requirements of each
# function's documentation). The other DLLs the program imports (comctl32,
# gdi32, gdiplus, msvcrt, ole32, oleacc, oleaut32, shell32, version) gained
# nothing since that this program has a use for.
NEWER_FUNCTIONS = {
    "kernel32.dll": {
        # Windows 8
        "GetSystemTimePreciseAsFileTime", "CreateFile2", "CopyFile2", "GetCurrentThreadStackLimits",
        "GetOverlappedResultEx", "CreateFileMappingFromApp", "MapViewOfFileFromApp", "PrefetchVirtualMemory",
        "GetProcessMitigationPolicy", "SetProcessMitigationPolicy", "GetFirmwareType",
        "GetPackageFamilyName", "GetPackageFullName", "GetCurrentPackageId", "GetCurrentPackageFullName",
        "GetCurrentPackageFamilyName", "InitializeSynchronizationBarrier", "EnterSynchronizationBarrier",
        "DeleteSynchronizationBarrier", "GetThreadInformation", "SetThreadInformation",
        "GetProcessInformation", "SetProcessInformation",
        # Windows 7 has these only with update KB2533623, which SP1 does not include
        "AddDllDirectory", "RemoveDllDirectory", "SetDefaultDllDirectories",
        # Windows 10
        "SetThreadDescription", "GetThreadDescription", "IsWow64Process2", "VirtualAllocFromApp",
        "GetSystemCpuSetInformation", "SetThreadSelectedCpuSets",
    },
    "user32.dll": {
        # Windows 8
        "EnableMouseInPointer", "IsMouseInPointerEnabled", "GetPointerInfo", "GetPointerType",
        "GetPointerFrameInfo", "GetPointerTouchInfo", "GetPointerPenInfo", "RegisterPointerInputTarget",
        "InitializeTouchInjection", "InjectTouchInput", "GetCurrentInputMessageSource",
        "GetDisplayAutoRotationPreferences", "SetDisplayAutoRotationPreferences", "IsImmersiveProcess",
        # Windows 8.1
        "LogicalToPhysicalPointForPerMonitorDPI", "PhysicalToLogicalPointForPerMonitorDPI",
        # Windows 10: per-monitor DPI awareness
        "GetDpiForWindow", "GetDpiForSystem", "GetSystemDpiForProcess", "GetDpiFromDpiAwarenessContext",
        "SetProcessDpiAwarenessContext", "SetThreadDpiAwarenessContext", "GetThreadDpiAwarenessContext",
        "GetWindowDpiAwarenessContext", "GetAwarenessFromDpiAwarenessContext", "AreDpiAwarenessContextsEqual",
        "IsValidDpiAwarenessContext", "AdjustWindowRectExForDpi", "GetSystemMetricsForDpi",
        "SystemParametersInfoForDpi", "EnableNonClientDpiScaling", "SetThreadDpiHostingBehavior",
        "GetThreadDpiHostingBehavior", "SetDialogDpiChangeBehavior", "GetDialogDpiChangeBehavior",
        "SetDialogControlDpiChangeBehavior",
    },
    "winhttp.dll": {
        # Windows 8: the proxy resolver and WebSockets
        "WinHttpCreateProxyResolver", "WinHttpGetProxyForUrlEx", "WinHttpGetProxyResult",
        "WinHttpFreeProxyResult", "WinHttpResetAutoProxy", "WinHttpWebSocketCompleteUpgrade",
        "WinHttpWebSocketSend", "WinHttpWebSocketReceive", "WinHttpWebSocketClose",
        "WinHttpWebSocketShutdown", "WinHttpWebSocketQueryCloseStatus",
        # Windows 8.1 and 10
        "WinHttpSetProxySettingsPerUser", "WinHttpQueryHeadersEx", "WinHttpReadDataEx",
    },
    "ws2_32.dll": {
        # Windows 8 and 10
        "GetAddrInfoExCancel", "GetAddrInfoExOverlappedResult", "ProcessSocketNotifications",
    },
    "bcrypt.dll": {
        # Windows 8.1 and 10: multi-hash and one-call hashing
        "BCryptCreateMultiHash", "BCryptProcessMultiOperations", "BCryptHash",
    },
    "iphlpapi.dll": {
        # Windows 8 and 10
        "GetIpNetworkConnectionBandwidthEstimates", "GetNetworkConnectivityHint",
        "NotifyNetworkConnectivityHintChange",
    },
}

# The DLLs the program may import when it starts: those on Windows' KnownDLLs
# list in every version from 7 to 11, which Windows always takes from the
# system folder. Any other DLL (winhttp, version, iphlpapi, gdiplus, ...) would
# be taken from the program's folder first, where anyone may have put one, and
# the program runs elevated: it is delay-loaded by its full system path
# instead. A DLL joins this list only after that check.
STARTUP_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll",
    "shell32.dll", "shlwapi.dll", "comdlg32.dll", "ws2_32.dll",
}

DLL_LINE = re.compile(r"^\s*DLL Name:\s*(\S+)")
ENTRY_LINE = re.compile(r"^\s*[0-9a-fA-F]+\s+\d+\s+(\S+)")


def imports(objdump, exe):
    """The program's imports by name: {dll (lower case): {function, ...}}."""
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    table, dll = {}, None
    for line in out.splitlines():
        match = DLL_LINE.match(line)
        if match:
            dll = match.group(1).lower()
            table.setdefault(dll, set())
        elif not line.strip():
            dll = None
        elif dll:
            entry = ENTRY_LINE.match(line)
            if entry:
                table[dll].add(entry.group(1))
    return table


def delay_imports(exe):
    """The delay-loaded imports by name, as imports() gives the others. mingw's
    linker leaves the delay-import directory of the header empty, so the
    descriptors (ImgDelayDescr, addresses relative to the image) are found by
    their shape."""
    with open(exe, "rb") as f:
        data = f.read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    count, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    wide = struct.unpack_from("<H", data, pe + 24)[0] == 0x20B  # PE32+
    sections = [struct.unpack_from("<8xIIII", data, pe + 24 + optional_size + 40 * i) for i in range(count)]

    def offset(rva):
        for size, start, raw_size, raw in sections:
            if start <= rva < start + max(size, raw_size):
                return raw + rva - start
        return None

    def text(rva):
        at = offset(rva)
        return data[at:data.find(b"\0", at)].decode("ascii", "replace") if at is not None else ""

    table = {}
    thunk, by_ordinal = ("<Q", 1 << 63) if wide else ("<I", 1 << 31)
    for _, _, raw_size, raw in sections:
        for at in range(raw, raw + raw_size - 32, 4):
            attributes, name, module, iat, names, bound, unload, stamp = struct.unpack_from("<8I", data, at)
            if attributes != 1 or not (name and module and iat and names) or bound or stamp:
                continue
            dll = text(name).lower()
            entry = offset(names)
            if not dll.endswith(".dll") or entry is None:
                continue
            functions = table.setdefault(dll, set())
            while True:
                value = struct.unpack_from(thunk, data, entry)[0]
                if not value:
                    break
                if not value & by_ordinal:
                    functions.add(text(value + 2))  # past the hint
                entry += struct.calcsize(thunk)
    return table


def newer_imports(table):
    """The imports, as "dll!function", that Windows 7 SP1 cannot satisfy."""
    found = []
    for dll, functions in sorted(table.items()):
        if dll in NEWER_DLLS or dll.startswith(NEWER_DLL_PREFIXES):
            found.append(dll + "!*")
        found += [dll + "!" + name for name in sorted(functions & NEWER_FUNCTIONS.get(dll, set()))]
    return found


class ImportFloor(unittest.TestCase):
    def test_the_program_imports_nothing_newer_than_windows_7(self):
        table = imports(OBJDUMP, PROGRAM)
        # The table was read: a Win32 program imports its windows from user32.
        self.assertIn("CreateWindowExW", table.get("user32.dll", set()))
        self.assertEqual(newer_imports(table), [])
        # A delay-loaded function missing from Windows 7 fails at its first call.
        delayed = delay_imports(PROGRAM)
        self.assertIn("WinHttpOpen", delayed.get("winhttp.dll", set()))
        self.assertEqual(newer_imports(delayed), [])

    def test_the_program_imports_at_start_only_known_dlls(self):
        table = imports(OBJDUMP, PROGRAM)
        self.assertIn("user32.dll", table)
        self.assertEqual(sorted(set(table) - STARTUP_DLLS), [])

    def test_a_direct_import_of_a_newer_function_is_found(self):
        found = newer_imports(imports(OBJDUMP, PROBE))
        self.assertIn("user32.dll!GetDpiForWindow", found)
        self.assertIn("kernel32.dll!GetSystemTimePreciseAsFileTime", found)


if __name__ == "__main__":
    OBJDUMP, PROGRAM, PROBE = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
