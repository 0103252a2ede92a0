#!/usr/bin/env bash
# Prints the notices of what QuadrelX.exe links statically, from the copyright
# files of the Debian packages that the cross build links them from.
set -euo pipefail
crt=mingw-w64-x86-64-dev
gcc=g++-mingw-w64-x86-64-posix
crt_copyright=/usr/share/doc/$crt/copyright
gcc_copyright=/usr/share/doc/$gcc/copyright
version() { dpkg-query -W -f='${Version}' "$1"; }
for f in "$crt_copyright" "$gcc_copyright"; do
  [ -f "$f" ] || { echo "notices: $f is missing" >&2; exit 1; }
done
# The GCC part: which runtime libraries the exception covers, and the exception itself.
covered="$(sed -n '/^The following runtime libraries are licensed/,/^ - libvtv$/p' "$gcc_copyright")"
exception="$(sed -n '/^GCC RUNTIME LIBRARY EXCEPTION$/,/^presumption that third-party software/p' "$gcc_copyright")"
exception="$covered

$exception"
grep -q 'libstdc++-v3' <<<"$exception" && grep -q '^2. No Weakening of GCC Copyleft.' <<<"$exception" || {
  echo "notices: the GCC Runtime Library Exception was not found in $gcc_copyright" >&2; exit 1; }

cat <<TEXT
QuadcelX - third-party notices / 第三者ソフトウェアの表示
=========================================================

QuadrelX.exe is built with the MinGW-w64 GCC cross compiler of Debian and is
statically linked: it contains parts of the following libraries and needs no
DLL but those of Windows itself.

QuadrelX.exe は Debian の MinGW-w64 GCC で作られ、以下のライブラリの一部を
静的にリンクしています (Windows 自身のもの以外の DLL は不要です)。以下はそれらの
ライセンス表示です。

1. The GCC runtime libraries libstdc++ and libgcc
   (Debian package $gcc $(version "$gcc")):
   GNU General Public License version 3 with the GCC Runtime Library
   Exception 3.1. QuadrelX.exe was compiled by GCC, an Eligible Compilation
   Process, so the exception allows it to be conveyed under its own licence
   (MIT, see LICENSE.txt).

2. The MinGW-w64 runtime: the C runtime start-up code, libmingwex and
   libmingw32, the import libraries of the Windows DLLs, and winpthreads, the
   POSIX threads library that the posix thread model of GCC uses
   (Debian package $crt $(version "$crt")):
   the licences listed in section B below (winpthreads: expat (MIT) licence,
   its header files: BSD-3-clause (Lockless Inc.)).

--------------------------------------------------------------------------
A. GCC runtime libraries (from $gcc_copyright)
--------------------------------------------------------------------------

$exception

--------------------------------------------------------------------------
B. MinGW-w64 runtime and winpthreads (the whole of $crt_copyright)
--------------------------------------------------------------------------

TEXT
cat "$crt_copyright"
