# End-to-end checks of the MSI package under Wine's msiexec: install,
# install with properties, major upgrade, refused downgrade and uninstall.
# Sourced by scripts/test.sh in a subshell (WIN_BUILD, RESULTS_FILE and the
# helpers of tests/wine/lib.sh set). It installs a service named Vantrel, so
# it boots a prefix of its own and ends that prefix's wineserver; about 30 s.

msi_pkg=$(ls "$WIN_BUILD"/installer/Vantrel-*-x64.msi 2>/dev/null | head -1)
msi_scctl="$WIN_BUILD/tools/scctl/scctl.exe"
msi_out="$(dirname "$RESULTS_FILE")/msi"
msi_key='HKLM\Software\Orlenk Technologies\Vantrel'

if [ -z "$msi_pkg" ] || [ ! -e "$msi_scctl" ] || ! command -v msibuild >/dev/null; then
  fail "msi: package, scctl.exe or msibuild missing"
  return 0 2>/dev/null || exit 0
fi

msi_sc() {
  local out
  out=$(wine_run 30 "$msi_scctl" "$@" 2>/dev/null)
  printf '%s\n' "${out//$'\r'/}"
}
# msi_exec NAME ARGS...: msiexec quietly with a verbose log NAME.log; its
# exit status (the low 8 bits of the installer's: 1603 shows as 67).
msi_exec() {
  local name=$1; shift
  wine_run 120 msiexec "$@" /qn /l*v "$(winepath -w "$msi_out/$name.log" 2>/dev/null)" \
    >/dev/null 2>&1
}
# msi_value NAME: "TYPE DATA" of a value under the settings key, or nothing.
msi_value() {
  wine_run 30 reg query "$msi_key" /v "$1" 2>/dev/null | tr -d '\r' |
    awk -v n="$1" '$1 == n { $1 = ""; sub(/^ +/, ""); sub(/ +/, " "); print }'
}
# msi_source: the Event Log source's two values, "NAME TYPE DATA|" each.
msi_source() {
  wine_run 30 reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Vantrel' \
    2>/dev/null | tr -d '\r' |
    awk '$1 == "EventMessageFile" || $1 == "TypesSupported" { $1 = $1; printf "%s|", $0 }'
}
msi_products() {
  wine_run 30 reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s 2>/dev/null |
    tr -d '\r' | awk '$1 == "DisplayName" { name = $3 } $1 == "DisplayVersion" && name == "Vantrel" { print $3 }'
}
msi_expect() {  # NAME EXPECTED GOT
  if [ "$2" = "$3" ]; then pass "$1"; else fail "$1 (got: $3)"; fi
}

mkdir -p "$msi_out"
wine_prefix_init "$msi_out/prefix"
msi_dir="$WINEPREFIX/drive_c/Program Files/Vantrel"
msi_pkg_w=$(winepath -w "$msi_pkg" 2>/dev/null)

# A switch property other than 0 or 1 would be stored as some other value.
msi_exec refused /i "$msi_pkg_w" ONLYRENTS=yes
check "msi: ONLYRENTS=yes refused" test $? -ne 0 -a ! -e "$msi_dir"
# A text that Windows Installer would read as a type marker likewise.
for msi_marked in 'NAMINGFORMAT=#1' 'RENAMEREGEX=[~]x'; do
  msi_exec refused-text /i "$msi_pkg_w" "$msi_marked"
  check "msi: $msi_marked refused" test $? -ne 0 -a ! -e "$msi_dir"
done

msi_exec install /i "$msi_pkg_w" NAMINGFORMAT="%username% - %printername%" ONLYRENTS=1
msi_expect "msi: install exits 0" 0 $?
msi_expect "msi: service running after install" RUNNING "$(msi_sc wait RUNNING 10000 | tail -1 | cut -d' ' -f2)"
# The image path quoted: unquoted, Windows would try C:\Program.exe first.
msi_expect "msi: own process, automatic start, error control normal, image path quoted" \
  'type 0x10 start 2 error 1 path "C:\Program Files\Vantrel\Vantrel.exe"' "$(msi_sc config)"
# Wine's QueryServiceConfigW leaves the dependencies out; the key holds them.
deps=$(wine_run 30 reg query 'HKLM\System\CurrentControlSet\Services\Vantrel' /v DependOnService 2>/dev/null | tr -d '\r' | awk '$1 == "DependOnService" { print $3 }')
msi_expect "msi: depends on Winmgmt and Spooler" 'Winmgmt\0Spooler' "$deps"
actions=$(msi_sc failure)
case "$actions" in
  "error 124"*) skip "msi: restart-on-failure actions read back (Wine 8: QueryServiceConfig2W(SERVICE_CONFIG_FAILURE_ACTIONS) fails with ERROR_INVALID_LEVEL 124; the actions are checked natively)" ;;
  *) msi_expect "msi: restart-on-failure actions" "reset 86400 1/60000 1/60000 1/300000" "$actions" ;;
esac
missing=
for f in Vantrel.exe "Vantrel Configuration.exe" PolicyDefinitions/Vantrel.admx PolicyDefinitions/en-US/Vantrel.adml; do
  [ -f "$msi_dir/$f" ] || missing+=" $f"
done
msi_expect "msi: files in place" "" "$missing"
# Wine's msiexec puts the all-users Start menu's shortcuts in the user's.
msi_lnk=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Vantrel Configuration.lnk' 2>/dev/null | head -1)
check "msi: Start-menu shortcut to the configuration program" \
  grep -aqF 'C:\Program Files\Vantrel\Vantrel Configuration.exe' "${msi_lnk:-/dev/null}"
msi_expect "msi: NAMINGFORMAT stored as REG_SZ" "REG_SZ %username% - %printername%" "$(msi_value NamingFormat)"
msi_expect "msi: ONLYRENTS=1 stored as REG_DWORD 1" "REG_DWORD 0x1" "$(msi_value OnlyRenTS)"
msi_expect "msi: Event Log source pointing at the installed program" \
  'EventMessageFile REG_SZ C:\Program Files\Vantrel\Vantrel.exe|TypesSupported REG_DWORD 0x7|' \
  "$(msi_source)"
msi_expect "msi: a property not given writes nothing" "" "$(msi_value RenameRegex)$(msi_value StripParens)"

# A higher version of the same package: a new product code and version,
# the upgrade rows following the version.
version=$(msiinfo export "$msi_pkg" Property | tr -d '\r' | awk -F'\t' '$1 == "ProductVersion" { print $2 }')
IFS=. read -r v1 v2 v3 v4 <<<"$version"
higher="$v1.$v2.$((v3 + 1)).${v4:-0}"
cp "$msi_pkg" "$msi_out/higher.msi"
msiinfo export "$msi_pkg" Upgrade | sed "s/\t$version\t/\t$higher\t/" >"$msi_out/Upgrade.idt"
msibuild "$msi_out/higher.msi" -i "$msi_out/Upgrade.idt" \
  -q "UPDATE Property SET Value='$higher' WHERE Property='ProductVersion'" \
  -q "UPDATE Property SET Value='{$(cat /proc/sys/kernel/random/uuid)}' WHERE Property='ProductCode'" \
  -s Vantrel "Orlenk Technologies" "x64;1033" "{$(cat /proc/sys/kernel/random/uuid)}"
higher_w=$(winepath -w "$msi_out/higher.msi" 2>/dev/null)

wine_run 30 reg add "$msi_key" /v NamingFormat /d '%printername% (%username%)' /f >/dev/null 2>&1
old_pid=$(msi_sc pid)
msi_exec upgrade /i "$higher_w"
msi_expect "msi: upgrade to $higher exits 0" 0 $?
msi_expect "msi: upgrade keeps the changed setting" "REG_SZ %printername% (%username%)" "$(msi_value NamingFormat)"
msi_expect "msi: upgrade keeps a property's setting" "REG_DWORD 0x1" "$(msi_value OnlyRenTS)"
msi_expect "msi: only $higher registered after the upgrade" "$higher" "$(msi_products | tr '\n' ' ' | sed 's/ $//')"
new_pid=$(msi_sc wait RUNNING 10000 >/dev/null; msi_sc pid)
check "msi: a new service process runs after the upgrade (pid $old_pid, now $new_pid)" \
  test "$(msi_sc query | cut -d' ' -f2)" = RUNNING -a "${new_pid:-0}" != 0 -a "$new_pid" != "$old_pid"

msi_exec downgrade /i "$msi_pkg_w"
check "msi: the older package is refused" test $? -ne 0 -a "$(msi_products)" = "$higher"

msi_exec uninstall /x "$higher_w"
msi_expect "msi: uninstall exits 0" 0 $?
msi_expect "msi: service removed" "error 1060 (OpenServiceW)" "$(msi_sc query)"
check "msi: files and shortcut removed" test ! -e "$msi_dir" -a ! -e "${msi_lnk:-/nonexistent}"
msi_expect "msi: Event Log source removed" "" "$(msi_source)"
msi_expect "msi: uninstall leaves the settings" "REG_SZ %printername% (%username%)" "$(msi_value NamingFormat)"

wine_prefix_end
rm -rf "$msi_out/prefix"
