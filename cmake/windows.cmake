# The Windows program: the framework layer, the dialog, the resources and the
# application, linked into one self-contained executable.
enable_language(RC)

add_compile_options(-Os -ffunction-sections -fdata-sections)
# The same source gives the same bytes wherever and whenever it is built: no link
# time in the PE header, no build folder in what the compiler writes.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.)
add_link_options(-Wl,--no-insert-timestamp)

add_library(framework STATIC
    platform/wnd.cpp
    platform/dialog.cpp
    platform/data_exchange.cpp
    platform/app.cpp
    platform/accessible_name.cpp)
# No common controls here: the program loads them from the system folder itself.
target_link_libraries(framework PUBLIC settings user32 gdi32)

add_library(setup_dialog STATIC dialog/setup_dlg.cpp)
target_link_libraries(setup_dialog PUBLIC framework)

if(NOT KORVANE_PROGRAM)
    return()
endif()

add_executable(korvane-setup WIN32
    app/setup_app.cpp
    platform/winmain.cpp
    res/setup.rc)
target_link_libraries(korvane-setup PRIVATE setup_dialog)
target_link_options(korvane-setup PRIVATE -static -s -Wl,--gc-sections)

add_subdirectory(tools)
