#!/usr/bin/python3
"""Checks on the cross-built Windows program, read back from the file.

  pe_check.py sse EXE OBJDUMP        no x87 arithmetic in the functions that
                                     must compute as specified; nothing sets
                                     the SSE control register
  pe_check.py resources EXE VERSION ICO
                                     manifest, version record, duck icon
  pe_check.py imports EXE OBJDUMP    only the system DLLs it always used
  pe_check.py system-imports EXE OBJDUMP
                                     a test program on the system's own
                                     user32 and gdi32: their functions are
                                     imported, and nothing of our Win32 core
                                     or its back ends is linked in
"""
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

# Functions whose arithmetic must round as the program states it, and the
# helpers they use (these may be inlined; checked when they stand alone).
REQUIRED = ["WinMain", "DrawCounter", "ProjectToSphere", "EndDrag"]
HELPERS = ["SplitDigits", "TruncateQuotient", "RescaleSpin"]
EXPECTED_DLLS = {"gdi32.dll", "kernel32.dll", "msvcrt.dll", "opengl32.dll", "user32.dll"}

failures = []


def fail(message):
    failures.append(message)
    print("FAIL: " + message)


def disassembly(exe, objdump):
    """{function name: [(mnemonic, operands)]} from objdump -d -C."""
    out = subprocess.run([objdump, "-d", "-C", "--no-show-raw-insn", exe],
                         check=True, capture_output=True, text=True).stdout
    functions, current = {}, None
    for line in out.splitlines():
        head = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if head:
            # "_WinMain@16" (i386), "WinMain", "DrawCounter(int, float, ...)"
            name = re.sub(r"\(.*$", "", head.group(1)).lstrip("_").split("@")[0]
            current = functions.setdefault(name, [])
            continue
        ins = re.match(r"^\s+[0-9a-f]+:\t(\S+)\s*(.*)$", line)
        if ins and current is not None:
            current.append((ins.group(1), ins.group(2)))
    return functions


def check_sse(exe, objdump):
    functions = disassembly(exe, objdump)
    for name in REQUIRED + HELPERS:
        if name not in functions:
            if name in REQUIRED:
                fail(f"{name} not found in the disassembly of {exe}")
            continue
        after_call = False
        pops = 0
        for mnemonic, operands in functions[name]:
            if mnemonic.startswith("call"):
                after_call = True
            elif mnemonic.startswith("f"):
                # The i386 ABI returns a library function's float or double
                # (cos, sqrt) in st(0): the one store that takes it off the
                # x87 stack is no arithmetic.
                if after_call and mnemonic in ("fstp", "fstps", "fstpl"):
                    pops += 1
                else:
                    fail(f"{name}: x87 instruction {mnemonic} {operands}")
                after_call = False
        print(f"{name}: {len(functions[name])} instructions checked, {pops} x87 stores of a returned value")
    # Flush-to-zero or another rounding mode would change every result.
    for name, code in functions.items():
        for mnemonic, _ in code:
            if mnemonic == "ldmxcsr":
                fail(f"{name} loads the SSE control register (ldmxcsr)")


def resources(pe):
    """{(type id, name id): bytes} of every resource."""
    found = {}
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for rname in rtype.directory.entries:
            for lang in rname.directory.entries:
                entry = lang.data.struct
                found[(rtype.id, rname.id)] = pe.get_data(entry.OffsetToData, entry.Size)
    return found


def ico_images(path):
    """The images of an .ico file, in its order, as (width, data)."""
    data = open(path, "rb").read()
    _, _, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        width, _, _, _, _, _, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        images.append((width or 256, data[offset:offset + size]))
    return images


def check_resources(exe, version, ico):
    import pefile
    pe = pefile.PE(exe)
    res = resources(pe)

    # The manifest: Windows refuses to start a program whose manifest is
    # not well-formed XML, so parse it as the loader would.
    manifest = res.get((24, 1))
    if manifest is None:
        fail("no application manifest (RT_MANIFEST 1)")
    else:
        text = manifest.decode("utf-8")
        try:
            root = ET.fromstring(manifest)
        except ET.ParseError as e:
            fail(f"manifest is not well-formed: {e}")
            root = None
        if root is not None:
            values = {el.tag.split("}")[1]: (el.text or "").strip() for el in root.iter() if "}" in el.tag}
            if values.get("dpiAwareness", "").split(",")[0].strip() != "PerMonitorV2":
                fail("manifest: dpiAwareness does not ask for PerMonitorV2 first")
            if values.get("dpiAware") != "true/pm":
                fail("manifest: no dpiAware true/pm fallback")
            controls = [el for el in root.iter() if el.tag.endswith("assemblyIdentity")
                        and el.get("name") == "Microsoft.Windows.Common-Controls"]
            if not controls or controls[0].get("version") != "6.0.0.0":
                fail("manifest: no dependency on Common Controls 6.0.0.0")
            systems = [el.get("Id") for el in root.iter() if el.tag.endswith("supportedOS")]
            if "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}" not in systems:
                fail("manifest: Windows 10/11 missing from supportedOS")
            print(f"manifest: {len(text)} bytes, dpiAwareness {values.get('dpiAwareness')!r}, "
                  f"{len(systems)} supported systems")

    # The version record.
    strings = {}
    for info in getattr(pe, "FileInfo", [[]])[0]:
        for table in getattr(info, "StringTable", []):
            strings.update({k.decode(): v.decode() for k, v in table.entries.items()})
    expect = {"ProductName": "duckview", "ProductVersion": version, "FileVersion": version,
              "OriginalFilename": "duckview.exe"}
    for key, value in expect.items():
        if strings.get(key) != value:
            fail(f"version record: {key} is {strings.get(key)!r}, not {value!r}")
    if not strings.get("FileDescription"):
        fail("version record: no FileDescription")
    if "MIT" not in strings.get("LegalCopyright", ""):
        fail("version record: LegalCopyright does not name the licence")
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    numbers = [int(n) for n in version.split(".")] + [0, 0, 0]
    if fixed is None or (fixed.FileVersionMS, fixed.FileVersionLS) != (
            numbers[0] << 16 | numbers[1], numbers[2] << 16 | numbers[3]):
        fail("version record: the binary FILEVERSION is not " + version)
    print("version record: " + ", ".join(f"{k}={v!r}" for k, v in sorted(strings.items())))

    # The first icon group is the duck: the images of data/icons/duckview.ico.
    groups = sorted(name for rtype, name in res if rtype == 14)
    if not groups:
        fail("no icon group")
        return
    group = res[(14, groups[0])]
    _, _, count = struct.unpack_from("<HHH", group, 0)
    linked = []
    for i in range(count):
        width, _, _, _, _, _, _, icon_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        linked.append((width or 256, res.get((3, icon_id))))
    sizes = sorted(w for w, _ in linked)
    if sizes != [16, 32, 48, 256]:
        fail(f"icon sizes {sizes}, not 16, 32, 48 and 256")
    if linked != ico_images(ico):
        fail(f"the first icon is not {ico}")
    print(f"icon group {groups[0]}: sizes {sizes}")


def check_imports(exe, objdump):
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    dlls = {m.lower() for m in re.findall(r"DLL Name: (\S+)", out)}
    print("imports: " + ", ".join(sorted(dlls)))
    if dlls != EXPECTED_DLLS:
        fail(f"imports {sorted(dlls)}, expected {sorted(EXPECTED_DLLS)}")


# Functions that a program on the system's user32 and gdi32 imports from
# them (the window's life, the message loop, the pixel format), and the
# namespaces of our core and its back ends, as the compiler mangles them.
SYSTEM_IMPORTS = {
    "user32.dll": ["RegisterClassA", "CreateWindowExA", "ShowWindow", "UpdateWindow", "GetMessageA",
                   "PeekMessageA", "TranslateMessage", "DispatchMessageA", "DefWindowProcA", "SetTimer",
                   "PostQuitMessage", "DestroyWindow", "BeginPaint", "SetCapture", "SendInput"],
    "gdi32.dll": ["ChoosePixelFormat", "SetPixelFormat", "DescribePixelFormat", "SwapBuffers"],
}
CORE_NAMESPACES = ("_ZN4core", "_ZN7backend")


def imported_functions(exe, objdump):
    """{dll name in lower case: {function names}} from the import tables."""
    out = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    imports, dll = {}, None
    for line in out.splitlines():
        name = re.match(r"\s*DLL Name: (\S+)", line)
        if name:
            dll = imports.setdefault(name.group(1).lower(), set())
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+[0-9a-f]+\s+([A-Za-z_]\w*)\s*$", line)
        if entry and dll is not None:
            dll.add(entry.group(1))
    return imports


def check_system_imports(exe, objdump):
    imports = imported_functions(exe, objdump)
    for dll, functions in SYSTEM_IMPORTS.items():
        missing = [f for f in functions if f not in imports.get(dll, set())]
        if missing:
            fail(f"{dll} does not provide {', '.join(missing)}")
        print(f"{dll}: {len(imports.get(dll, set()))} functions imported")
    symbols = subprocess.run([objdump, "-t", exe], check=True, capture_output=True, text=True).stdout
    if "SYMBOL TABLE" not in symbols or len(symbols.splitlines()) < 100:
        fail("no symbol table to look for the core in")
    ours = sorted({s for s in re.findall(r"\b(_ZN\w+)", symbols) if s.startswith(CORE_NAMESPACES)})
    if ours:
        fail(f"{len(ours)} symbols of the core or a back end are linked in, {ours[0]} the first")


def main(argv):
    command, exe = argv[1], argv[2]
    try:
        open(exe, "rb").close()
    except OSError:
        print(f"{exe} is missing: build it first (scripts/test builds every target)")
        return 1
    if command == "sse":
        check_sse(exe, argv[3])
    elif command == "resources":
        check_resources(exe, argv[3], argv[4])
    elif command == "imports":
        check_imports(exe, argv[3])
    elif command == "system-imports":
        check_system_imports(exe, argv[3])
    else:
        print(__doc__)
        return 2
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
