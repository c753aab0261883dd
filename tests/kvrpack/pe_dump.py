"""Prints what python3-pefile reads from a DLL, one fact per line, for the kvrpack tests.

  header <name> <value>            facts of the headers (not with --resources-only)
  resource <type> <id> <lang> <hex of the data>
  string <id> <hex of the UTF-8 text>

pefile's warnings (a zero entry point of a resource-only DLL) are not printed: the
tests check the parsed content.
"""
import sys

import pefile


def main():
    args = sys.argv[1:]
    resources_only = "--resources-only" in args
    path = [a for a in args if not a.startswith("--")][0]
    pe = pefile.PE(path)
    lines = []
    if not resources_only:
        fh, oh = pe.FILE_HEADER, pe.OPTIONAL_HEADER
        lines += [
            "header machine 0x%x" % fh.Machine,
            "header dll %d" % (1 if fh.Characteristics & 0x2000 else 0),
            "header magic 0x%x" % oh.Magic,
            "header entry 0x%x" % oh.AddressOfEntryPoint,
            "header code %d" % oh.SizeOfCode,
            "header sections %s" % ",".join(s.Name.rstrip(b"\0").decode() for s in pe.sections),
            "header imports %d" % len(getattr(pe, "DIRECTORY_ENTRY_IMPORT", [])),
            "header exports %d" % (1 if hasattr(pe, "DIRECTORY_ENTRY_EXPORT") else 0),
            "header checksum_ok %d" % (1 if oh.CheckSum == pe.generate_checksum() else 0),
            "header section_alignment 0x%x" % oh.SectionAlignment,
            "header file_alignment 0x%x" % oh.FileAlignment,
            "header size_of_image_ok %d" % (1 if oh.SizeOfImage % oh.SectionAlignment == 0 else 0),
        ]
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        type_name = str(rtype.name) if rtype.name is not None else str(rtype.id)
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                lines.append("resource %s %d %d %s" % (type_name, name.id, lang.id, data.hex()))
            if rtype.id == pefile.RESOURCE_TYPE["RT_STRING"]:
                for sid, text in sorted(name.directory.strings.items()):
                    lines.append("string %d %s" % (sid, text.encode("utf-8").hex()))
    print("\n".join(lines))


if __name__ == "__main__":
    main()
