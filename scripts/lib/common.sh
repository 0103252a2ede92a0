# Shared by the scripts: where things are and how Wine is run.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
BUILD="${QX_BUILD:-$ROOT/build}"
JOBS="${QX_JOBS:-2}"
export WINEPREFIX="$BUILD/wine/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# The Japanese locale makes the ANSI code page 932, as on a Japanese Windows.
wine_env() { env LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 "$@"; }

# Creates the private prefix once, with the font links the windows need.
wine_prefix() {
  if [ ! -f "$WINEPREFIX/.qx-ready" ]; then
    echo "wine: creating prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    wine_env wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    local reg="$BUILD/wine/fonts.reg"
    {
      printf 'Windows Registry Editor Version 5.00\r\n\r\n'
      printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
      for f in 'ＭＳ ゴシック' 'MS Gothic' 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic' 'ＭＳ 明朝' 'MS Mincho'; do
        printf '"%s"="IPAGothic"\r\n' "$f"
      done
    } | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
    wine_env wine regedit /S "$(winepath_w "$reg")" >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.qx-ready"
  fi
}

winepath_w() { wine_env winepath -w "$1" 2>/dev/null; }

# Starts a private X server for the windows under test, once per script run.
start_xvfb() {
  if [ -n "${QX_DISPLAY_STARTED:-}" ]; then return; fi
  local n
  for n in $(seq 91 120); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then break; fi
  done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$n"
  export QX_DISPLAY_STARTED=1
  for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  trap 'kill $XVFB_PID 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
}

# Formatting differs between clang-format versions: the tree is kept in 14's
# (Debian bookworm's). Fails with a message on any other version.
check_clang_format() {
  local version
  version="$(clang-format --version 2>/dev/null | sed -n 's/.*clang-format version \([0-9][0-9]*\)\..*/\1/p')"
  if [ "$version" != 14 ]; then
    echo "format: clang-format 14 (Debian bookworm's) is needed, found ${version:-none};" \
         "another version formats differently" >&2
    return 1
  fi
}
