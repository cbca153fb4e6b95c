#!/usr/bin/python3
"""The program as built has every mitigation, and a copy that lacks one is refused by that one's name.

    tests/check_mitigations_test.py PROGRAM.exe
"""
import os
import sys

import pefile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "scripts"))
import check_mitigations as check  # noqa: E402

program = sys.argv[1]
header = pefile.PE(program, fast_load=True).OPTIONAL_HEADER
flags = "HIGH_ENTROPY_VA" if header.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS else "NO_SEH"


def without_flag(pe, name):
    pe.OPTIONAL_HEADER.DllCharacteristics &= ~pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_" + name]


def without_text(pe, text):
    pe.set_bytes_at_offset(pe.__data__.find(text), b"x" * len(text))


cases = {  # the mitigation the copy lacks: how it is spoilt
    "DYNAMIC_BASE (ASLR)": lambda pe: without_flag(pe, "DYNAMIC_BASE"),
    "relocations": lambda pe: setattr(pe.OPTIONAL_HEADER.DATA_DIRECTORY[check.BASERELOC], "Size", 0),
    "NX_COMPAT (DEP)": lambda pe: without_flag(pe, "NX_COMPAT"),
    "W^X (no section both writable and executable)": lambda pe: setattr(
        pe.sections[0], "Characteristics", pe.sections[0].Characteristics | check.WRITABLE),
    "the stack protector": lambda pe: without_text(pe, check.STACK_PROTECTOR),
    "_FORTIFY_SOURCE": lambda pe: without_text(pe, check.FORTIFY),
    flags: lambda pe: without_flag(pe, flags),
}
failures = [f"the program lacks {name}" for name in check.missing_mitigations(program)[0]]
copy = os.path.join(os.path.dirname(os.path.abspath(program)), "spoilt-copy.exe")
for name, spoil in cases.items():
    pe = pefile.PE(program)
    spoil(pe)
    pe.write(copy)
    missing = check.missing_mitigations(copy)[0]
    if missing != [name]:
        failures.append(f"a copy without {name} is refused for {missing}")
os.remove(copy)
print("\n".join(failures) or f"{len(cases)} spoilt copies refused, each by the name of what it lacks")
sys.exit(1 if failures else 0)
