#!/usr/bin/python3
"""Checks lumo's installed copyright file for install_test.sh.

  check_copyright.py COPYRIGHT PROGRAM

COPYRIGHT must parse as a machine-readable Debian copyright file (DEP-5,
strictly, with Debian's python3-debian), name GPL-3+ for lumo's own files,
give every licence it names a text (in its paragraph or a stand-alone one),
and have a paragraph for every shared library PROGRAM links (its ELF NEEDED
entries), the C and C++ run-time libraries aside. Prints what is wrong;
exits 1 then.
"""

import fnmatch
import re
import subprocess
import sys

from debian import copyright as dep5

# Part of the system's C and C++ run time: the copyright file leaves them out.
RUN_TIME = re.compile(r"^(libc|libm|libdl|libpthread|librt|libstdc\+\+|libgcc_s|ld-linux.*)\.so")


def licence_names(synopsis):
    return {name.strip() for name in re.split(r"\s+(?:and|or)\s+", synopsis)}


def main(path, program):
    problems = []
    with open(path, encoding="utf-8") as text:
        document = dep5.Copyright(text, strict=True)
    files = list(document.all_files_paragraphs())

    own = document.find_files_paragraph("lumo/main.cpp")
    if own is None or own.license.synopsis != "GPL-3+":
        problems.append("lumo's own files are not GPL-3+")

    with_text = {p.license.synopsis for p in document.all_license_paragraphs()}
    with_text |= {p.license.synopsis for p in files if p.license.text.strip()}
    for paragraph in files:
        for name in licence_names(paragraph.license.synopsis) - with_text:
            problems.append("licence %s (for %s) has no text" % (name, " ".join(paragraph.files)))

    needed = subprocess.run(["readelf", "-d", program], check=True, capture_output=True, text=True).stdout
    libraries = re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", needed)
    if not libraries:
        problems.append("readelf found no libraries in " + program)
    for library in libraries:
        if RUN_TIME.match(library):
            continue
        if not any(fnmatch.fnmatchcase(library, pattern) for p in files[1:] for pattern in p.files):
            problems.append("%s links %s, which the copyright file does not name" % (program, library))

    for problem in problems:
        print("      " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2]))
