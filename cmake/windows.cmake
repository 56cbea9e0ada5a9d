# How everything for Windows is compiled and linked: as small as it can be, and the
# same source gives the same bytes wherever and whenever it is built (no link time
# in the PE header, no build folder in what the compiler writes).
enable_language(RC)

add_compile_options(-Os -ffunction-sections -fdata-sections)
# No run-time type information: nothing asks a type its name or casts down, and the
# exceptions thrown get the type information they need all the same. It leaves out
# a type record of every class with virtual functions (4 KB of the program).
add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)
