#!/usr/bin/env bash
# Checks the shape of a built Pointix.dll as a file, without running it, so
# that it runs on every host: machine type, the four exports by name and
# ordinal, imports only from DLLs that ship with Windows, the preferred base
# with a relocation table, subsystem and DLL characteristics, and the
# resources. It reads what binutils' objdump prints of the file.
#   check-module.sh <dll> x86|x64
#   check-module.sh --self-test <dll> x86|x64 <dll without version block>
#       the check must pass on the module and refuse copies of it with a
#       foreign import or shifted ordinals, and the module without version
set -u

# DLLs that every supported Windows has in its system folder.
system_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll shell32.dll user32.dll version.dll ole32.dll oleaut32.dll shlwapi.dll uxtheme.dll ntdll.dll "

objdump_for() {
    case "$1" in
    x86) echo i686-w64-mingw32-objdump ;;
    x64) echo x86_64-w64-mingw32-objdump ;;
    esac
}

check() {
    local dll=$1 arch=$2 dump failures=0 line
    fail() {
        echo "FAIL $dll: $*"
        failures=$((failures + 1))
    }
    dump=$("$(objdump_for "$arch")" -p "$dll" 2>&1) || { echo "FAIL $dll: not a PE file for $arch: $dump"; return 1; }
    local field
    field() { awk -v name="$1" '$1 == name { print $2; exit }' <<<"$dump"; }

    # Machine and image kind.
    local format base
    if [ "$arch" = x86 ]; then
        format=pei-i386 base=00a30000
    else
        format=pei-x86-64 base=0000000000a30000
    fi
    grep -q "file format $format\$" <<<"$dump" || fail "machine is not $format"
    sed -n '/^Characteristics/,/^$/p' <<<"$dump" | grep -qx $'\tDLL' || fail "not marked as a DLL"
    [ "$(field ImageBase)" = "$base" ] || fail "preferred base is $(field ImageBase), not 0x00A30000"
    [ "$(field Subsystem)" = 00000002 ] || fail "subsystem is $(field Subsystem), not Windows GUI (2)"
    local characteristic
    for characteristic in DYNAMIC_BASE NX_COMPAT; do
        sed -n '/^DllCharacteristics/,/^[A-Z]/p' <<<"$dump" | grep -q "^[[:space:]]*$characteristic\$" ||
            fail "DLL characteristics lack $characteristic"
    done

    # A relocation table, so the module loads where its base is taken.
    local relocations
    relocations=$(awk '/Base Relocation Directory/ { print $3; exit }' <<<"$dump")
    [ -n "$relocations" ] && [ "$((16#$relocations))" -gt 0 ] || fail "no relocation table"
    grep -q '^PE File Base Relocations' <<<"$dump" || fail "no relocation table"

    # Exports: exactly the four, by name and ordinal, in a table named Pointix.dll.
    local exports expected
    exports=$(sed -n '/^Ordinal Base/p; /^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
        awk '/^Ordinal Base/ { ordinal_base = $3 }
             /^\t\[/ { line = $0; gsub(/[][]/, " ", line); split(line, f); print f[1] + ordinal_base, f[2] }' | sort -n)
    expected=$'1 DllUnregisterServer\n2 DllRegisterServer\n3 DllGetClassObject\n4 DllCanUnloadNow'
    [ "$exports" = "$expected" ] || fail "exports are not the four by ordinal: $(tr '\n' ',' <<<"$exports")"
    grep -q '^Name[[:space:]].* Pointix\.dll$' <<<"$dump" || fail "export table does not name Pointix.dll"

    # Imports only from system DLLs.
    local imported
    while read -r imported; do
        [ -n "$imported" ] || continue
        [[ "$system_dlls" == *" ${imported,,} "* ]] || fail "imports $imported, which does not ship with Windows"
    done < <(awk '/DLL Name:/ { print $3 }' <<<"$dump")
    grep -q 'DLL Name:' <<<"$dump" || fail "no import table"

    # Resources: type/id pairs from the resource directory.
    local resources
    resources=$(sed -n '/^The .rsrc Resource Directory section:/,/Resources start at/p' <<<"$dump" |
        awk 'function hex(s,  n, i) { s = tolower(s); sub(/^0x/, "", s); sub(/,$/, "", s); n = 0
                 for (i = 1; i <= length(s); i++) n = n * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
                 return n }
             /^[0-9a-f]+   Entry: ID:/ { type = hex($4) }
             /^[0-9a-f]+     Entry: ID:/ { print type, hex($4) }')
    grep -qx '5 100' <<<"$resources" || fail "no dialog 100"
    grep -q '^6 ' <<<"$resources" || fail "no string table"
    grep -qx '16 1' <<<"$resources" || fail "no version block"
    grep -qx '24 2' <<<"$resources" || fail "no manifest with id 2"

    if [ "$failures" -gt 0 ]; then
        return 1
    fi
    echo "ok $dll ($format, base 0x00A30000, 4 exports, imports: $(awk '/DLL Name:/ { printf "%s ", $3 }' <<<"$dump"))"
}

# Copies of the module with one fault each, which the check must refuse.
self_test() {
    local dll=$1 arch=$2 without_version=$3 scratch result=0
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' RETURN
    expect() {
        local what=$1 file=$2 output rc
        output=$(check "$file" "$arch")
        rc=$?
        if [ "$what" = pass ]; then
            [ $rc -eq 0 ] && echo "passes: $file" || { echo "$output"; result=1; }
        elif [ $rc -ne 0 ] && grep -q "$what" <<<"$output"; then
            echo "refused as expected: $what"
        else
            echo "NOT refused ($what): $output"
            result=1
        fi
    }
    expect pass "$dll"

    # The import of ADVAPI32.dll renamed to a runtime DLL of the same length.
    cp "$dll" "$scratch/foreign-import.dll"
    sed -i 's/ADVAPI32\.dll/libgcc_s.dll/' "$scratch/foreign-import.dll"
    expect "imports libgcc_s.dll" "$scratch/foreign-import.dll"

    # The export directory's ordinal base moved from 1 to 2: every ordinal shifts.
    local edata
    edata=$("$(objdump_for "$arch")" -h "$dll" | awk '$2 == ".edata" { print $6 }')
    cp "$dll" "$scratch/lost-ordinal.dll"
    printf '\x02' | dd of="$scratch/lost-ordinal.dll" bs=1 seek=$((16#$edata + 16)) conv=notrunc status=none
    expect "exports are not the four by ordinal" "$scratch/lost-ordinal.dll"

    expect "no version block" "$without_version"
    return $result
}

if [ "${1:-}" = --self-test ]; then
    self_test "$2" "$3" "$4"
else
    check "$1" "$2"
fi
