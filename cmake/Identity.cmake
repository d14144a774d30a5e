# The class identifier of the property sheet handler, written once: the code
# gets it as a GUID initializer and as text, the registration, the MSI
# packages and the tests as text.
set(POINTIX_CLSID "1FC54B62-C2F7-44B4-B096-473CAAA6D328")
# Its name: the class key's default value, the approved value's text and
# the manifest's description.
set(POINTIX_CLASS_NAME "Mouse Shell Extension")

string(SUBSTRING "${POINTIX_CLSID}" 0 8 _data1)
string(SUBSTRING "${POINTIX_CLSID}" 9 4 _data2)
string(SUBSTRING "${POINTIX_CLSID}" 14 4 _data3)
string(SUBSTRING "${POINTIX_CLSID}" 19 4 _data4a)
string(SUBSTRING "${POINTIX_CLSID}" 24 12 _data4b)
set(_bytes "")
foreach(_at RANGE 0 2 2)
    string(SUBSTRING "${_data4a}" ${_at} 2 _byte)
    list(APPEND _bytes "0x${_byte}")
endforeach()
foreach(_at RANGE 0 10 2)
    string(SUBSTRING "${_data4b}" ${_at} 2 _byte)
    list(APPEND _bytes "0x${_byte}")
endforeach()
list(JOIN _bytes ", " _bytes)
set(POINTIX_CLSID_INIT "{0x${_data1}, 0x${_data2}, 0x${_data3}, {${_bytes}}}")

# The product code of the package for one architecture and version: a
# name-based UUID under the class identifier, new with each version. The
# package and its winget manifest both take it from here.
function(pointix_product_code Out Arch Version)
    string(UUID Code NAMESPACE ${POINTIX_CLSID} NAME "Pointix ${Arch} product ${Version}" TYPE SHA1 UPPER)
    set(${Out} ${Code} PARENT_SCOPE)
endfunction()
