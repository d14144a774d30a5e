# Prints the size of the built module.
file(SIZE "${FILE}" Bytes)
math(EXPR KiB "(${Bytes} + 1023) / 1024")
get_filename_component(Name "${FILE}" NAME)
message(STATUS "${Name}: ${Bytes} bytes (${KiB} KiB)")
