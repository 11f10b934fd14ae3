# Sourced by the Wine scripts: a private, headless Wine and the Japanese
# locale that makes Wine choose code page 932.
#
#   wine_can_run_32bit             whether this machine runs 32-bit Wine (a
#                                  kernel without 32-bit support cannot)
#   wine_env_setup <work folder> [32|64]
#                                  sets WINEPREFIX and friends, creates the
#                                  prefix on first use, and sets
#                                  MVDB_JA_LOCPATH for ja_JP.UTF-8 (empty when
#                                  the system has that locale already). With
#                                  64, `wine` and `wineboot` run the 64-bit
#                                  loader (for a 64-bit Windows build).
#   windows_build_arch <build>     i686 or x86_64: the processor a MinGW-w64
#                                  build folder was configured for
#   wine_env_setup_for <build>     wine_env_setup for that build's processor
#   wine_run_western <command...>  runs with the Western locale (code page 1252)
#   wine_run_japanese <command...> runs with ja_JP.UTF-8 (code page 932)
#   wine_env_stop                  stops this prefix's wineserver

wine_can_run_32bit() {
  wine --version >/dev/null 2>&1
}

wine_env_setup() {
  local work=$1 bits=${2:-32}
  mkdir -p "$work"
  export WINEPREFIX=$work/wineprefix
  if [ "$bits" = 64 ]; then
    # Debian's wine and wineboot start the 32-bit loader whenever wine32 is
    # installed; these stand-ins start the 64-bit one.
    local loader
    loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
    if [ ! -x "$loader" ]; then
      echo "the 64-bit Wine loader is missing (Debian: apt-get install wine64)" >&2
      return 1
    fi
    mkdir -p "$work/bin"
    printf '#!/bin/sh\nexec %s "$@"\n' "$loader" >"$work/bin/wine"
    printf '#!/bin/sh\nexec %s wineboot "$@"\n' "$loader" >"$work/bin/wineboot"
    chmod +x "$work/bin/wine" "$work/bin/wineboot"
    export PATH=$work/bin:$PATH WINEARCH=win64
  fi
  export WINEDEBUG=-all
  # No Mono or Gecko installers, and no windows: Wine runs without X.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY WAYLAND_DISPLAY

  for tool in wine wineboot wineserver; do
    if ! command -v "$tool" >/dev/null; then
      echo "$tool is missing (Debian: apt-get install wine wine32)" >&2
      return 1
    fi
  done

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      echo "wineboot could not create $WINEPREFIX" >&2
      return 1
    fi
  fi

  # Wine takes its ANSI code page from the Unix locale, which must exist.
  MVDB_JA_LOCPATH=
  if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
    local locales=$work/locale
    if [ ! -d "$locales/ja_JP.UTF-8" ]; then
      if [ ! -f /usr/share/i18n/locales/ja_JP ] && [ "$(id -u)" = 0 ]; then
        echo "== installing the locale sources"
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends locales >/dev/null
      fi
      mkdir -p "$locales"
      # Built into the work folder: no root needed, the system is untouched.
      if ! localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" 2>/dev/null; then
        rm -rf "$locales/ja_JP.UTF-8"
        echo "cannot build the ja_JP.UTF-8 locale (Debian: apt-get install locales)" >&2
        return 1
      fi
    fi
    MVDB_JA_LOCPATH=$locales
  fi
  export MVDB_JA_LOCPATH
}

windows_build_arch() {
  local toolchain
  toolchain=$(sed -n 's/^CMAKE_TOOLCHAIN_FILE:[A-Z]*=//p' "$1/CMakeCache.txt")
  case $(basename "$toolchain") in
    *x86_64*) echo x86_64 ;;
    *) echo i686 ;;
  esac
}

wine_env_setup_for() {
  if [ "$(windows_build_arch "$1")" = x86_64 ]; then
    wine_env_setup "$1/wine-tools" 64
  else
    wine_env_setup "$1/wine-tools" 32
  fi
}

wine_run_western() {
  env -u LANGUAGE -u LC_CTYPE -u LOCPATH LC_ALL=C LANG=C "$@"
}

wine_run_japanese() {
  if [ -n "$MVDB_JA_LOCPATH" ]; then
    env -u LANGUAGE -u LC_CTYPE LOCPATH="$MVDB_JA_LOCPATH" LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 "$@"
  else
    env -u LANGUAGE -u LC_CTYPE -u LOCPATH LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 "$@"
  fi
}

wine_env_stop() {
  wineserver -k >/dev/null 2>&1 || true
}
