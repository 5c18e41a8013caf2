#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows installer as a user runs it, in a fresh Wine prefix of its own:
#   windows_install.sh INSTALLER win64|win32 STATE ZIP CHECK64 CHECK32 BUILD64 BUILD32
# 1. a silent install (/S) with the default folders puts every file of the zip in its folder, byte for
#    byte, and nothing else; it registers the uninstaller with its version and publisher;
# 2. our test host (CHECK64/CHECK32, kvx_installed_plugin_check) loads each installed plug-in from its
#    installed path and processes the same audio as the build folder's (BUILD64/BUILD32);
# 3. installing again with other folders (/VST2DIR64=, /VST2DIR32=, /D=) moves the files there;
# 4. the silent uninstall registered in Add/Remove Programs removes every file, folder and registry key
#    the installs made.
# Exits 77 (skipped) when this Wine cannot run a 32-bit program and the case needs one.
set -euo pipefail
export LC_ALL=C
if [ ! -f "$1" ] || [ ! -f "$4" ]; then
  echo "SKIPPED: no Windows package was made (see the test package.windows.build)"
  exit 77
fi
installer="$(realpath "$1")"
arch="$2"
state="$3"
zip="$(realpath "$4")"
check64="$5"
check32="$6"
build64="$7"
build32="$8"
here="$(cd "$(dirname "$0")" && pwd)"
wine_env="${here}/../support/wine_env.sh"

# Debian's wine64 runs only 64-bit programs; 32-bit ones need wine32:i386 (it reports success even so).
wine32=0
if [ -x /usr/lib/wine/wine ] || command -v wine32 >/dev/null 2>&1; then
  wine32=1
fi
installer_is_32bit=0
[ "$(od -An -tx1 -j"$(( $(od -An -tu4 -j60 -N4 "${installer}") + 4 ))" -N2 "${installer}" | tr -d ' ')" = "4c01" ] &&
  installer_is_32bit=1
if [ "${wine32}" -eq 0 ] && { [ "${arch}" = win32 ] || [ "${installer_is_32bit}" -eq 1 ]; }; then
  echo "SKIPPED: this case runs a 32-bit program, and this Wine has no 32-bit half: install the package" \
    "wine32:i386 (scripts/setup.sh --all tries to; it needs the i386 architecture's index)."
  exit 77
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

rm -rf "${state}"
mkdir -p "${state}/zip"
cmake -E chdir "${state}/zip" cmake -E tar xf "${zip}"
files="$(find "${state}/zip" -mindepth 1 -maxdepth 1 -type d)"
bash "${wine_env}" start "${state}" "${arch}"
trap 'bash "${wine_env}" stop "${state}"' EXIT
export WINEPREFIX="${state}/prefix" WINEDEBUG=-all
drive="${WINEPREFIX}/drive_c"
wine_run() { bash "${wine_env}" run "${state}" "$@"; }

# Everything on drive C: and every registry key, but the temporary folders (the uninstaller runs a copy
# of itself from there, which Windows removes at the next start).
snapshot() {
  (cd "${drive}" && find . -mindepth 1 | grep -v -E '^\./users/[^/]+/Temp(/|$)|^\./windows/temp(/|$)' | sort) >"$1.files"
  wineserver -k 2>/dev/null || true
  cat "${WINEPREFIX}/system.reg" "${WINEPREFIX}/user.reg" | grep -a '^\[' | sed 's/\] [0-9]*$/]/' | sort >"$1.keys"
  wineserver -p5 </dev/null >/dev/null 2>&1
}

# "windows path|file in the zip" for every file an install must make, with the given folders.
expected_files() {
  local app="$1" vst64="$2" vst32="$3" pf64 pf32 cf64 cf32
  if [ "${arch}" = win64 ]; then
    pf64="Program Files" pf32="Program Files (x86)"
  else
    pf64="Program Files" pf32="Program Files"
  fi
  cf64="${pf64}/Common Files" cf32="${pf32}/Common Files"
  local bundle="KVX Tovik.vst3"
  echo "${app}/README.txt|README.txt"
  echo "${app}/LICENSE.txt|LICENSE.txt"
  echo "${app}/THIRD-PARTY.txt|THIRD-PARTY.txt"
  echo "${app}/uninstall.exe|"
  echo "${vst32}/KVX-Tovik.dll|VST2/32-bit/KVX-Tovik.dll"
  echo "${cf64}/VST3/${bundle}/Contents/x86-win/${bundle}|VST3/${bundle}/Contents/x86-win/${bundle}"
  echo "${cf64}/VST3/${bundle}/Contents/x86_64-win/${bundle}|VST3/${bundle}/Contents/x86_64-win/${bundle}"
  echo "${cf32}/CLAP/kvx-tovik.clap|CLAP/32-bit/kvx-tovik.clap"
  if [ "${arch}" = win64 ]; then
    echo "${vst64}/KVX-Tovik-x64.dll|VST2/64-bit/KVX-Tovik-x64.dll"
    echo "${cf32}/VST3/${bundle}/Contents/x86-win/${bundle}|VST3/${bundle}/Contents/x86-win/${bundle}"
    echo "${cf64}/CLAP/kvx-tovik.clap|CLAP/64-bit/kvx-tovik.clap"
  fi
  local preset
  for preset in "${files}"/Presets/FXP/*.fxp; do
    [ -e "${preset}" ] && echo "ProgramData/Brellmoor/KVX Tovik/Presets/${preset##*/}|Presets/FXP/${preset##*/}"
  done
  for preset in "${files}"/Presets/VST3/*.vstpreset; do
    [ -e "${preset}" ] && echo "ProgramData/VST3 Presets/Brellmoor/KVX Tovik/${preset##*/}|Presets/VST3/${preset##*/}"
  done
  return 0
}

# The files the install added are exactly the expected ones, each the zip's own bytes.
check_files() {
  local label="$1" expected_list="$2" added
  added="$(comm -13 "${state}/before.files" <(cd "${drive}" && find . -mindepth 1 -type f | sort) |
    sed 's|^\./||' | grep -v -E '^users/[^/]+/Temp/|^windows/temp/' || true)"
  local want
  want="$(cut -d'|' -f1 <<<"${expected_list}" | sort)"
  if [ "${added}" != "${want}" ]; then
    fail "${label}: the files installed are not the expected ones:"
    diff <(echo "${want}") <(echo "${added}") | sed 's/^/    /' || true
  fi
  local path source
  while IFS='|' read -r path source; do
    if [ -n "${source}" ] && ! cmp -s "${drive}/${path}" "${files}/${source}"; then
      fail "${label}: C:/${path} is not the zip's ${source}"
    fi
  done <<<"${expected_list}"
}

registry_value() {
  wine_run reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KVX Tovik' /v "$1" \
    ${reg_view} 2>/dev/null | tr -d '\r' | sed -n "s/^ *$1 *REG_[A-Z_]* *//p"
}
reg_view=""
[ "${arch}" = win64 ] && reg_view="/reg:64"

check_registry() {
  local label="$1" app="$2"
  local name version publisher quiet location
  name="$(registry_value DisplayName)"
  version="$(registry_value DisplayVersion)"
  publisher="$(registry_value Publisher)"
  location="$(registry_value InstallLocation)"
  quiet="$(registry_value QuietUninstallString)"
  [[ "${name}" == "KVX Tovik "* ]] || fail "${label}: DisplayName is '${name}'"
  [[ "${version}" =~ ^[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+$ ]] || fail "${label}: DisplayVersion is '${version}'"
  [ "${publisher}" = Brellmoor ] || fail "${label}: Publisher is '${publisher}'"
  [ "${location}" = "C:\\${app//\//\\}" ] || fail "${label}: InstallLocation is '${location}'"
  [ "${quiet}" = "\"C:\\${app//\//\\}\\uninstall.exe\" /S" ] || fail "${label}: QuietUninstallString is '${quiet}'"
}

# Our host loads each installed plug-in from where it lies and compares its audio with the build's.
check_hosts() {
  local vst64="$1" vst32="$2" cf64="C:\\Program Files\\Common Files" cf32
  cf32="C:\\Program Files (x86)\\Common Files"
  [ "${arch}" = win32 ] && cf32="${cf64}"
  local bundle="KVX Tovik.vst3" out
  local -a runs=()
  if [ "${arch}" = win64 ]; then
    runs+=("${check64}|vst2|C:\\${vst64//\//\\}\\KVX-Tovik-x64.dll|Z:${build64}/KVX-Tovik-x64.dll")
    runs+=("${check64}|vst3|${cf64}\\VST3\\${bundle}|Z:${build64}/${bundle}")
    runs+=("${check64}|clap|${cf64}\\CLAP\\kvx-tovik.clap|Z:${build64}/kvx-tovik.clap")
  fi
  if [ "${wine32}" -eq 1 ]; then
    runs+=("${check32}|vst2|C:\\${vst32//\//\\}\\KVX-Tovik.dll|Z:${build32}/KVX-Tovik.dll")
    runs+=("${check32}|vst3|${cf32}\\VST3\\${bundle}|Z:${build32}/${bundle}")
    runs+=("${check32}|clap|${cf32}\\CLAP\\kvx-tovik.clap|Z:${build32}/kvx-tovik.clap")
  else
    echo "NOT RUN: the 32-bit plug-ins in a 32-bit host (needs the package wine32:i386)"
  fi
  local run program kind installed built
  for run in "${runs[@]}"; do
    IFS='|' read -r program kind installed built <<<"${run}"
    if [ ! -f "${program}" ]; then
      fail "no test host ${program}: build it first"
      continue
    fi
    if out="$(wine_run "${program}" "${kind}" "${installed}" "${built}" 2>&1)"; then
      echo "${out}" | tr -d '\r'
    else
      fail "$(echo "${out}" | tr -d '\r')"
    fi
  done
}

snapshot "${state}/before"
if [ "${arch}" = win64 ]; then
  default_vst64="Program Files/VSTPlugins" default_vst32="Program Files (x86)/VSTPlugins"
else
  default_vst64="" default_vst32="Program Files/VSTPlugins"
fi
default_app="Program Files/Brellmoor/KVX Tovik"

echo "== silent install, default folders"
wine_run "${installer}" /S
check_files "default install" "$(expected_files "${default_app}" "${default_vst64}" "${default_vst32}")"
check_registry "default install" "${default_app}"
check_hosts "${default_vst64}" "${default_vst32}"

echo "== silent install again, other folders"
app="Tools/KVX Tovik" vst64="Hosts/VST 64" vst32="Hosts/VST 32"
[ "${arch}" = win32 ] && vst64=""
# From a batch file, so that the command line reaches the installer as a user types it: /D= takes the
# rest of the line unquoted, spaces and all, where Wine would quote an argument holding a space.
printf 'start "" /wait "Z:%s" /S /VST2DIR64="C:\\Hosts\\VST 64" /VST2DIR32="C:\\Hosts\\VST 32" /D=C:\\Tools\\KVX Tovik\r\n' \
  "${installer//\//\\}" >"${state}/install.bat"
wine_run cmd /c "Z:${state//\//\\}\\install.bat"
check_files "second install" "$(expected_files "${app}" "${vst64}" "${vst32}")"
check_registry "second install" "${app}"

echo "== silent uninstall, as Add/Remove Programs runs it"
quiet="$(registry_value QuietUninstallString)"
uninstaller="$(sed -n 's/^"\(.*\)" \/S$/\1/p' <<<"${quiet}")"
wine_run "${uninstaller}" /S
# The uninstaller hands over to its copy in the temporary folder and returns at once: wait for that
# copy's last step, the uninstall entry going.
for _ in $(seq 120); do
  [ -e "${drive}/${app}/uninstall.exe" ] || [ -n "$(registry_value DisplayName)" ] || break
  sleep 0.5
done
snapshot "${state}/after"
if ! diff -q "${state}/before.files" "${state}/after.files" >/dev/null; then
  fail "the uninstall left files or folders behind (> left, < removed):"
  diff "${state}/before.files" "${state}/after.files" | sed 's/^/    /' || true
fi
# Keys that went away are Wine's own doing (it drops NetworkCards when no card is found).
left="$(comm -13 "${state}/before.keys" "${state}/after.keys")"
if [ -n "${left}" ]; then
  fail "the uninstall left registry keys behind:"
  sed 's/^/    /' <<<"${left}"
fi

if [ "${failures}" -gt 0 ]; then
  echo "${failures} failure(s)"
  exit 1
fi
echo "the install put every file in its folder, the plug-ins load from there, and the uninstall left no trace"
