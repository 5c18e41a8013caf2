#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Wine environment of a Windows build's tests: a prefix of its own in the build folder, a private
# Xvfb server for the editor, and a Wine server kept warm between the test programs.
#   wine_env.sh start STATE_DIR win32|win64 [DPI]
#                                              create the prefix if needed (at DPI dots per inch, else
#                                              Windows' 96), start Xvfb and the Wine server
#   wine_env.sh run STATE_DIR PROGRAM [ARGS]   run a Windows program in it
#   wine_env.sh stop STATE_DIR                 end the Wine server and Xvfb started by "start"
# Where this machine's Wine cannot run the build's programs (a 32-bit build without Debian's wine32),
# "start" records why and every "run" prints it and exits with 77, which CTest counts as skipped.
set -euo pipefail
command="${1:?command}"
state="${2:?state folder}"
mkdir -p "${state}"
state="$(cd "${state}" && pwd)"

export WINEPREFIX="${state}/prefix"
export WINEDEBUG=-all
# No .NET or HTML engine installers, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ -f "${state}/arch" ]; then
  WINEARCH="$(cat "${state}/arch")"
  export WINEARCH
fi
if [ -f "${state}/display" ]; then
  DISPLAY=":$(cat "${state}/display")"
  export DISPLAY
fi

start_xvfb() {
  rm -f "${state}/display" "${state}/display.tmp"
  # Its own session and no inherited output, so that CTest does not wait for it.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"${state}/display.tmp" </dev/null >"${state}/xvfb.log" 2>&1 &
  echo $! >"${state}/xvfb.pid"
  for _ in $(seq 100); do
    if grep -qE '^[0-9]+$' "${state}/display.tmp" 2>/dev/null; then
      tr -d '\n' <"${state}/display.tmp" >"${state}/display"
      DISPLAY=":$(cat "${state}/display")"
      export DISPLAY
      return 0
    fi
    sleep 0.1
  done
  echo "wine_env: Xvfb did not start (see ${state}/xvfb.log)" >&2
  return 1
}

stop_xvfb() {
  if [ -f "${state}/xvfb.pid" ]; then
    local pid
    pid="$(cat "${state}/xvfb.pid")"
    if kill -0 "${pid}" 2>/dev/null && [ "$(cat "/proc/${pid}/comm" 2>/dev/null)" = "Xvfb" ]; then
      kill "${pid}"
    fi
    rm -f "${state}/xvfb.pid" "${state}/display" "${state}/display.tmp"
  fi
}

# Debian's wine32 brings the 32-bit loader beside wine64's; a 32-bit prefix cannot start without it.
wine_missing_for() {
  if [ "$1" = win32 ] && [ ! -x /usr/lib/wine/wine ] && ! command -v wine32 >/dev/null 2>&1; then
    echo "32-bit Wine is not installed (scripts/setup.sh --all installs wine32:i386 and libgl1:i386)"
  fi
}

case "${command}" in
start)
  arch="${3:?win32 or win64}"
  rm -f "${state}/unavailable"
  missing="$(wine_missing_for "${arch}")"
  if [ -n "${missing}" ]; then
    echo "${missing}" | tee "${state}/unavailable"
    exit 0
  fi
  stop_xvfb
  start_xvfb
  if [ ! -f "${WINEPREFIX}/.kvx-ready" ] || [ "$(cat "${state}/arch" 2>/dev/null)" != "${arch}" ]; then
    rm -rf "${WINEPREFIX}" "${state}/dpi"
    echo "${arch}" >"${state}/arch"
    export WINEARCH="${arch}"
    wineboot -i >/dev/null 2>&1
    # Without a window manager Wine waits two seconds for every managed top-level window it destroys.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # Wine does not look in its own fonts folder; the panel's texts ask for Tahoma.
    ln -sf /usr/share/wine/fonts/*.ttf "${WINEPREFIX}/drive_c/windows/Fonts/"
    wineserver -w
    touch "${WINEPREFIX}/.kvx-ready"
  fi
  # The density every window gets (Wine 8 has one for all monitors); it reads this key at each program's
  # start, before the older one under HKLM\System\CurrentControlSet\Hardware Profiles.
  dpi="${4:-}"
  if [ -n "${dpi}" ] && [ "$(cat "${state}/dpi" 2>/dev/null)" != "${dpi}" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "${dpi}" /f >/dev/null 2>&1
    wineserver -w
    echo "${dpi}" >"${state}/dpi"
  fi
  # Kept warm between the test programs; it ends five seconds after the last one, or at "stop".
  wineserver -p5 </dev/null >/dev/null 2>&1
  ;;
run)
  shift 2
  if [ -f "${state}/unavailable" ]; then
    echo "skipped: $(cat "${state}/unavailable")"
    exit 77
  fi
  # Wine's own background processes inherit the program's output; were it CTest's pipe, CTest would
  # wait for them to end. The program writes to a file instead, shown once it has finished.
  log="$(mktemp "${state}/run.XXXXXX")"
  status=0
  wine "$@" >"${log}" 2>&1 </dev/null || status=$?
  cat "${log}"
  rm -f "${log}"
  exit "${status}"
  ;;
stop)
  if [ -d "${WINEPREFIX}" ]; then
    wineserver -k 2>/dev/null || true
  fi
  stop_xvfb
  ;;
*)
  echo "wine_env: unknown command ${command}" >&2
  exit 2
  ;;
esac
