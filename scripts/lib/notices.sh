#!/usr/bin/env bash
# Prints the notices of the runtimes that QuadrelX.exe and QuadcelXFast.dll
# link statically, taken from the copyright files of the Debian packages the
# cross build links them from. A link map of both shows what they pull in:
# libstdc++, libgcc (with libgcc_eh), winpthreads and the MinGW-w64 C runtime
# (start-up code, libmingw32, libmingwex); nothing else but import libraries.
set -euo pipefail
crt=mingw-w64-x86-64-dev
gcc=g++-mingw-w64-x86-64-posix
crt_copyright=/usr/share/doc/$crt/copyright
gcc_copyright=/usr/share/doc/$gcc/copyright
version() { dpkg-query -W -f='${Version}' "$1"; }
for f in "$crt_copyright" "$gcc_copyright"; do
  [ -f "$f" ] || { echo "notices: $f is missing" >&2; exit 1; }
done
exception="$(sed -n '/^GCC RUNTIME LIBRARY EXCEPTION$/,/^presumption that third-party software/p' "$gcc_copyright")"
grep -q '^2. No Weakening of GCC Copyleft.' <<<"$exception" || {
  echo "notices: the GCC Runtime Library Exception was not found in $gcc_copyright" >&2; exit 1; }
# Of the MinGW-w64 copyright file, only the paragraphs of what is linked (the
# general one, the C runtime's and winpthreads' but its tests) and the texts
# of the licences they name; headers, tools and other libraries stay out.
runtime="$(/usr/bin/python3 - "$crt_copyright" <<'PY'
import re, sys
paragraphs = [p for p in re.split(r"\n\s*\n", open(sys.argv[1], encoding="utf-8").read()) if p.strip()]
def field(p, name):
    m = re.search(r"^" + name + r":[ \t]*(.*(?:\n[ \t].*)*)", p, re.M)
    return m.group(1) if m else None
def linked(files):
    return any(f == "*" or f.startswith("mingw-w64-crt/") or
               (f.startswith("mingw-w64-libraries/winpthreads/") and "/tests" not in f) for f in files.split())
keep, names = [], set()
for p in paragraphs:
    files = field(p, "Files")
    if files is not None and linked(files):
        keep.append(p)
        names.update(n.strip() for n in re.split(r"\s+(?:and|or)\s+", field(p, "License").split("\n")[0]))
for p in paragraphs:
    if field(p, "Files") is None and field(p, "License") is not None and field(p, "License").split("\n")[0].strip() in names:
        keep.append(p)
print("\n\n".join(keep))
PY
)"
# The notices travel with the package: no path of the machine that built it.
if grep -qE '(^|[ `(])/(usr|home|root|tmp|work)/' <<<"$exception
$runtime"; then
  echo "notices: a build-machine path would reach the notices" >&2; exit 1
fi

cat <<TEXT
QuadcelX - third-party notices / 第三者ソフトウェアの表示
=========================================================

QuadrelX.exe and QuadcelXFast.dll are built with the MinGW-w64 GCC cross
compiler of Debian and are statically linked: they contain parts of the
following runtime libraries and need no DLL but those of Windows itself.

QuadrelX.exe と QuadcelXFast.dll は Debian の MinGW-w64 GCC で作られ，以下の
ランタイムライブラリの一部を静的にリンクしています (Windows 自身のもの以外の
DLL は不要です)．以下はそれらのライセンス表示です．

1. The GCC runtime libraries libstdc++ and libgcc
   (GCC $(version "$gcc")):
   GNU General Public License version 3 with the GCC Runtime Library
   Exception 3.1. Both files were compiled by GCC, an Eligible Compilation
   Process, so the exception allows them to be conveyed under their own
   licence (MIT, see LICENSE.txt).

2. The MinGW-w64 runtime: the C runtime start-up code, libmingw32 and
   libmingwex, and winpthreads, the POSIX threads library that the posix
   thread model of GCC uses (MinGW-w64 $(version "$crt")):
   the licences in section B below (winpthreads: expat (MIT) licence, its
   header files: BSD-3-clause (Lockless Inc.)).

--------------------------------------------------------------------------
A. GCC Runtime Library Exception (libstdc++, libgcc)
--------------------------------------------------------------------------

$exception

--------------------------------------------------------------------------
B. MinGW-w64 C runtime and winpthreads
--------------------------------------------------------------------------

$runtime
TEXT
