#!/usr/bin/env bash
# Checks the shape of a built Pointix.dll as a file, without running it, so
# that it runs on every host: machine type, the four exports by name and
# ordinal, imports only from DLLs that ship with Windows, the preferred base
# with a relocation table, unwind data where the platform needs it,
# subsystem and DLL characteristics, and the resources. It reads what LLVM's
# llvm-readobj prints of the file, which knows all three machines.
#   check-module.sh <dll> x86|x64|arm64
#   check-module.sh --self-test <dll> x86|x64|arm64 <dll without version block>
#       the check must pass on the module and refuse copies of it with a
#       foreign import or shifted ordinals, and the module without version
set -u
readobj=llvm-readobj-14

# DLLs that every supported Windows has in its system folder.
system_dlls=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll shell32.dll user32.dll version.dll ole32.dll oleaut32.dll shlwapi.dll uxtheme.dll ntdll.dll "

# The machine field and whether the platform is a 64-bit one.
machine_for() {
    case "$1" in
    x86) echo "IMAGE_FILE_MACHINE_I386 (0x14C)" ;;
    x64) echo "IMAGE_FILE_MACHINE_AMD64 (0x8664)" ;;
    arm64) echo "IMAGE_FILE_MACHINE_ARM64 (0xAA64)" ;;
    esac
}

# The file offset of a relative virtual address, from the section table.
file_offset() {
    local dll=$1 rva=$2 address size raw
    while read -r address size raw; do
        if [ "$rva" -ge $((address)) ] && [ "$rva" -lt $((address + size)) ]; then
            echo $((rva - address + raw))
            return
        fi
    done < <("$readobj" --sections "$dll" | awk '$1 == "VirtualSize:" { size = $2 } $1 == "VirtualAddress:" { address = $2 }
                                              $1 == "PointerToRawData:" { print address, size, $2 }')
}

check() {
    local dll=$1 arch=$2 dump failures=0
    fail() {
        echo "FAIL $dll: $*"
        failures=$((failures + 1))
    }
    dump=$("$readobj" --file-headers --coff-exports --coff-imports --coff-resources "$dll" 2>&1) ||
        { echo "FAIL $dll: not a PE file: $dump"; return 1; }
    local field
    field() { awk -v name="$1:" '$1 == name { print $2; exit }' <<<"$dump"; }
    # The flags listed under one "Characteristics [" block of the headers.
    flags() { awk -v block="$1" '$1 == block { inside = 1; next } inside && /\]/ { exit } inside { print $1 }' <<<"$dump"; }

    # Machine and image kind.
    [ "$(awk '$1 == "Machine:" { $1 = ""; sub(/^ /, ""); print; exit }' <<<"$dump")" = "$(machine_for "$arch")" ] ||
        fail "machine is not $(machine_for "$arch")"
    flags ImageFileHeader | grep -qx IMAGE_FILE_DLL || fail "not marked as a DLL"
    [ "$(field ImageBase)" = 0xA30000 ] || fail "preferred base is $(field ImageBase), not 0x00A30000"
    [ "$(field Subsystem)" = IMAGE_SUBSYSTEM_WINDOWS_GUI ] || fail "subsystem is $(field Subsystem), not Windows GUI (2)"
    local characteristic wanted=(DYNAMIC_BASE NX_COMPAT)
    [ "$arch" = x86 ] || wanted+=(HIGH_ENTROPY_VA)
    for characteristic in "${wanted[@]}"; do
        flags ImageOptionalHeader | grep -qx "IMAGE_DLL_CHARACTERISTICS_$characteristic" ||
            fail "DLL characteristics lack $characteristic"
    done

    # A relocation table, so the module loads where its base is taken; on
    # ARM64 unwind data for every function (.pdata), which that platform's
    # exception handling and stack walks cannot do without.
    [ "$(($(field BaseRelocationTableSize)))" -gt 0 ] 2>/dev/null || fail "no relocation table"
    if [ "$arch" = arm64 ]; then
        [ "$(($(field ExceptionTableSize)))" -gt 0 ] 2>/dev/null || fail "no unwind data (.pdata)"
    fi

    # Exports: exactly the four, by name and ordinal, in a table named Pointix.dll.
    local exports expected
    exports=$(awk '/^Export \{/ { ordinal = ""; name = "" }
                   $1 == "Ordinal:" { ordinal = $2 }
                   $1 == "Name:" { name = $2 }
                   /^\}/ && ordinal != "" { print ordinal, name; ordinal = "" }' <<<"$dump" | sort -n)
    expected=$'1 DllUnregisterServer\n2 DllRegisterServer\n3 DllGetClassObject\n4 DllCanUnloadNow'
    [ "$exports" = "$expected" ] || fail "exports are not the four by ordinal: $(tr '\n' ',' <<<"$exports")"
    local directory name_offset
    directory=$(file_offset "$dll" "$(($(field ExportTableRVA)))")
    name_offset=$(file_offset "$dll" "$(od -An -tu4 -j$((directory + 12)) -N4 "$dll" | tr -d ' ')")
    [ "$(dd if="$dll" bs=1 skip="$name_offset" count=12 status=none | tr -d "\0")" = Pointix.dll ] ||
        fail "export table does not name Pointix.dll"

    # Imports only from system DLLs.
    local imported imports
    imports=$(awk '/^Import \{/ { getline; print $2 }' <<<"$dump")
    [ -n "$imports" ] || fail "no import table"
    while read -r imported; do
        [ -n "$imported" ] || continue
        [[ "$system_dlls" == *" ${imported,,} "* ]] || fail "imports $imported, which does not ship with Windows"
    done <<<"$imports"

    # Resources: type/id pairs from the resource directory.
    local resources
    resources=$(awk 'match($0, /^ *Type: .*\(ID [0-9]+\)/) { type = $0; sub(/.*\(ID /, "", type); sub(/\).*/, "", type) }
                     match($0, /^ *Name: .*\(ID [0-9]+\)/) { id = $0; sub(/.*\(ID /, "", id); sub(/\).*/, "", id); print type, id }' <<<"$dump")
    grep -qx '5 100' <<<"$resources" || fail "no dialog 100"
    grep -qx '5 110' <<<"$resources" || fail "no dialog 110"
    grep -qx '5 120' <<<"$resources" || fail "no dialog 120"
    grep -q '^6 ' <<<"$resources" || fail "no string table"
    grep -qx '16 1' <<<"$resources" || fail "no version block"
    grep -qx '24 2' <<<"$resources" || fail "no manifest with id 2"

    if [ "$failures" -gt 0 ]; then
        return 1
    fi
    echo "ok $dll ($arch, base 0x00A30000, 4 exports, imports: $(tr '\n' ' ' <<<"$imports"))"
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
    local directory
    directory=$(file_offset "$dll" "$(($("$readobj" --file-headers "$dll" | awk '$1 == "ExportTableRVA:" { print $2 }')))")
    cp "$dll" "$scratch/lost-ordinal.dll"
    printf '\x02' | dd of="$scratch/lost-ordinal.dll" bs=1 seek=$((directory + 16)) conv=notrunc status=none
    expect "exports are not the four by ordinal" "$scratch/lost-ordinal.dll"

    expect "no version block" "$without_version"
    return $result
}

if [ "${1:-}" = --self-test ]; then
    self_test "$2" "$3" "$4"
else
    check "$1" "$2"
fi
