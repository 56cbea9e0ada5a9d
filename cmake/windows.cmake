# How everything for Windows is compiled and linked: as small as it can be, and the
# same source gives the same bytes wherever and whenever it is built (no link time
# in the PE header, no build folder in what the compiler writes).
enable_language(RC)

add_compile_options(-Os -ffunction-sections -fdata-sections)
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)
