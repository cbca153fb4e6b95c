#!/usr/bin/python3
"""Reads a Windows executable's PE headers and names each exploit mitigation it lacks.

    scripts/check_mitigations.py PROGRAM.exe

Exits 0 and prints what it found when every one is there, else prints one line per missing mitigation and
exits 1. scripts/release --check refuses a release for any of them. Debian's python3-pefile reads the file.
"""
import sys

import pefile

DYNAMIC_BASE = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"]
HIGH_ENTROPY_VA = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"]
NX_COMPAT = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]
NO_SEH = pefile.DLL_CHARACTERISTICS["IMAGE_DLLCHARACTERISTICS_NO_SEH"]
BASERELOC = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]
RELOCS_STRIPPED = pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]
WRITABLE = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_WRITE"]
EXECUTABLE = pefile.SECTION_CHARACTERISTICS["IMAGE_SCN_MEM_EXECUTE"]
# What GCC's libssp prints when a canary or a checked call fails: the image holds its failure routines only
# when the code was compiled to call them (-fstack-protector-strong, _FORTIFY_SOURCE).
STACK_PROTECTOR = b"*** stack smashing detected ***"
FORTIFY = b"*** buffer overflow detected ***"


def missing_mitigations(path):
    pe = pefile.PE(path, fast_load=True)
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    wide = pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS
    relocations = pe.OPTIONAL_HEADER.DATA_DIRECTORY[BASERELOC]
    image = pe.__data__
    checks = [  # name, present
        ("DYNAMIC_BASE (ASLR)", flags & DYNAMIC_BASE),
        ("relocations", relocations.Size > 0 and not pe.FILE_HEADER.Characteristics & RELOCS_STRIPPED),
        ("NX_COMPAT (DEP)", flags & NX_COMPAT),
        ("W^X (no section both writable and executable)",
         not any(s.Characteristics & WRITABLE and s.Characteristics & EXECUTABLE for s in pe.sections)),
        ("the stack protector", image.find(STACK_PROTECTOR) >= 0),
        ("_FORTIFY_SOURCE", image.find(FORTIFY) >= 0),
    ]
    # 64-bit Windows spreads an image over the whole address space only when it says it can take it; 32-bit
    # Windows takes a handler table or the promise that the image registers no handler (it registers none).
    checks.append(("HIGH_ENTROPY_VA", flags & HIGH_ENTROPY_VA) if wide else ("NO_SEH", flags & NO_SEH))
    return [name for name, present in checks if not present], [name for name, present in checks if present]


def main():
    missing, present = missing_mitigations(sys.argv[1])
    for name in missing:
        print(f"{sys.argv[1]} lacks {name}")
    if not missing:
        print(f"{sys.argv[1]} has {', '.join(present)}")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
