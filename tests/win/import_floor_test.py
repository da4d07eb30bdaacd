#!/usr/bin/env python3
"""kalto.exe starts on Windows 7 SP1: it imports no function that a later
Windows introduced. Windows refuses to start a program whose import table
names a function its DLLs do not export, so every such function must be
looked up at run time (GetProcAddress) with a fallback instead.

Every function the program imports is listed, per DLL, in
import_floor_reviewed.txt beside this file, once someone has checked it
against the Windows 7 SP1 floor (the "Requirements" of its documentation).
An import not listed there fails the test until it is reviewed and added;
a listed one that is known to be newer fails it too.

Usage: import_floor_test.py <objdump> <kalto.exe> <newer_import_probe.exe>
       import_floor_test.py --add <objdump> <program.exe>...
The second form adds every import of the programs (the 32-bit and the 64-bit
build import slightly different runtime functions) to the reviewed list:
run it once the new functions it prints were reviewed.

The probe imports two newer functions directly; the check must find them,
which shows it can fail. The functions the program delay-loads are checked
too, and the DLLs it imports at start are held to an allow-list.
"""
import os
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
# function's documentation): a reviewed list that names one is wrong. The
# other DLLs the program imports (comctl32, comdlg32, gdi32, gdiplus, msimg32,
# msvcrt, ole32, oleacc, oleaut32, shell32, shlwapi, version) gained nothing
# since that this program has a use for.
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
    "advapi32.dll": {
        # Windows 8: app containers, capabilities, event provider settings
        "CheckTokenCapability", "CheckTokenMembershipEx", "GetAppContainerNamedObjectPath",
        "GetAppContainerAce", "EventSetInformation",
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


REVIEWED = os.path.join(os.path.dirname(os.path.abspath(__file__)), "import_floor_reviewed.txt")


def read_reviewed(path=REVIEWED):
    """The reviewed imports: {dll: {function, ...}}, from "[dll]" sections of
    one function a line ("#" starts a comment)."""
    table, dll = {}, None
    with open(path, encoding="utf-8") as reviewed:
        for line in reviewed:
            line = line.split("#", 1)[0].strip()
            if line.startswith("[") and line.endswith("]"):
                dll = line[1:-1].lower()
                table.setdefault(dll, set())
            elif line and dll:
                table[dll].add(line)
    return table


def unreviewed(table, reviewed):
    """The imports, as "dll!function", that the reviewed list lacks."""
    return ["%s!%s" % (dll, name) for dll, functions in sorted(table.items())
            for name in sorted(functions - reviewed.get(dll, set()))]


def write_reviewed(table, path=REVIEWED):
    """Rewrites the list's sections from `table`, keeping its header."""
    with open(path, encoding="utf-8") as reviewed:
        header = reviewed.read().split("\n[", 1)[0].rstrip("\n")
    lines = [header]
    for dll, functions in sorted(table.items()):
        lines += ["", "[%s]" % dll] + sorted(functions)
    with open(path, "w", encoding="utf-8") as reviewed:
        reviewed.write("\n".join(lines) + "\n")


class ImportFloor(unittest.TestCase):
    def test_every_import_of_the_program_was_reviewed(self):
        table = imports(OBJDUMP, PROGRAM)
        # The table was read: a Win32 program imports its windows from user32.
        self.assertIn("CreateWindowExW", table.get("user32.dll", set()))
        # A delay-loaded function missing from Windows 7 fails at its first call.
        delayed = delay_imports(PROGRAM)
        self.assertIn("WinHttpOpen", delayed.get("winhttp.dll", set()))
        reviewed = read_reviewed()
        missing = unreviewed(table, reviewed) + unreviewed(delayed, reviewed)
        self.assertEqual(missing, [], "check each against Windows 7 SP1, then add it to " + REVIEWED)

    def test_the_reviewed_imports_hold_nothing_newer_than_windows_7(self):
        self.assertEqual(newer_imports(read_reviewed()), [])

    def test_the_program_imports_at_start_only_known_dlls(self):
        table = imports(OBJDUMP, PROGRAM)
        self.assertIn("user32.dll", table)
        self.assertEqual(sorted(set(table) - STARTUP_DLLS), [])

    def test_a_direct_import_of_a_newer_function_is_found(self):
        table = imports(OBJDUMP, PROBE)
        for found in (newer_imports(table), unreviewed(table, read_reviewed())):
            self.assertIn("user32.dll!GetDpiForWindow", found)
            self.assertIn("kernel32.dll!GetSystemTimePreciseAsFileTime", found)


def add_to_reviewed(objdump, programs):
    reviewed = read_reviewed()
    for program in programs:
        for table in (imports(objdump, program), delay_imports(program)):
            for name in unreviewed(table, reviewed):
                print("added " + name)
            for dll, functions in table.items():
                reviewed.setdefault(dll, set()).update(functions)
    write_reviewed(reviewed)


if __name__ == "__main__":
    if sys.argv[1] == "--add":
        add_to_reviewed(sys.argv[2], sys.argv[3:])
        sys.exit(0)
    OBJDUMP, PROGRAM, PROBE = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1], verbosity=2)
