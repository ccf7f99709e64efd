# Building for Windows with mingw-w64 against a static Qt (scripts/build-windows.sh): one
# self-contained .exe per program, test programs run through Wine.

# The C and C++ run-times and winpthread go into each program, so it needs only Windows' own DLLs.
add_link_options(-static)

# Test programs and the build's own use of the bank tool (data.cvx) run through Wine, in a Wine
# prefix of this build folder (cmake/wine-run.sh).
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
    find_program(CIFROVEX_WINE NAMES wine wine64 REQUIRED)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_SOURCE_DIR}/cmake/wine-run.sh ${CMAKE_BINARY_DIR}/wine)
endif()

# Qt is static: plugins are linked in. qt_add_executable brings each module's default ones (the
# windows platform, the Windows styles, the image formats); test programs take the offscreen
# platform as well.
function(cifrovex_windows_test_plugins target)
    get_target_property(qt_type Qt6::Core TYPE)
    if(qt_type STREQUAL "STATIC_LIBRARY")
        qt_import_plugins(${target} INCLUDE Qt6::QOffscreenIntegrationPlugin)
    endif()
endfunction()

# Icon, version resource and manifest (per-monitor DPI awareness, Windows 10 and 11) for a program.
function(cifrovex_windows_resources target description)
    set(CIFROVEX_RC_DESCRIPTION "${description}")
    set(CIFROVEX_RC_FILENAME "${target}.exe")
    set(CIFROVEX_RC_ICON "${PROJECT_SOURCE_DIR}/packaging/windows/cifrovex.ico")
    set(CIFROVEX_RC_MANIFEST "${PROJECT_SOURCE_DIR}/packaging/windows/cifrovex.manifest")
    set(rc ${CMAKE_BINARY_DIR}/packaging/windows/${target}.rc)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/program.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${CIFROVEX_RC_ICON} ${CIFROVEX_RC_MANIFEST})
endfunction()
