# Installation layout and the Debian package (cpack -G DEB in the build folder).

include(GNUInstallDirs)

# The program opens data.cvx in its current directory; the desktop entry (Path=) starts it in
# /usr/share/cifrovex, where resources/bank installs the shipped bank. The program itself is
# installed by app/.
install(TARGETS cifrovex-bank RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/cifrovex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# The bank editor (installed by editor/) has its own entry; it opens a file it is given.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/cifrovex-editor.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/glyphs/cifrovex.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)

# Debian keeps man pages gzipped, without a time stamp in the header so that builds repeat.
# CPack installs files as they are, so the build makes the .gz.
find_program(CIFROVEX_GZIP gzip REQUIRED)
set(man_pages)
foreach(page cifrovex.1 cifrovex-bank.1 cifrovex-editor.1)
    set(man_gz ${CMAKE_BINARY_DIR}/packaging/${page}.gz)
    add_custom_command(
        OUTPUT ${man_gz}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/packaging
        COMMAND ${CIFROVEX_GZIP} -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/${page} > ${man_gz}
        DEPENDS ${PROJECT_SOURCE_DIR}/packaging/${page}
        COMMENT "Compressing the man page ${page}")
    list(APPEND man_pages ${man_gz})
endforeach()
add_custom_target(cifrovex_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# What Debian wants beside every package: the copyright file and a gzipped changelog.
configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
set(changelog_gz ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
add_custom_command(
    OUTPUT ${changelog_gz}
    COMMAND ${CIFROVEX_GZIP} -9 -n -c ${CMAKE_BINARY_DIR}/packaging/changelog > ${changelog_gz}
    DEPENDS ${CMAKE_BINARY_DIR}/packaging/changelog
    COMMENT "Compressing the package changelog")
add_custom_target(cifrovex_changelog ALL DEPENDS ${changelog_gz})
install(FILES ${changelog_gz} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/cifrovex)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/cifrovex)

set(CPACK_PACKAGE_NAME cifrovex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Cifrovex team <cifrovex@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-test in school mathematics")
set(CPACK_PACKAGE_DESCRIPTION "Cifrovex is a desktop self-test in school mathematics: the student picks a
level, answers 10, 15 or 20 multiple-choice problems from a question bank and
gets the number of correct answers and a mark from 2 to 5. The texts are in
Russian.
.
Includes cifrovex-bank, a tool to build, dump and check question banks and to
import questions in Moodle's Aiken format, and cifrovex-editor, a window in
which a teacher makes and changes the question bank.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cifrovex.example.org")
# Library dependencies come from dpkg-shlibdeps: among them libqt6gui6, which on Debian 12 also
# holds the X11 platform plugin (libqxcb) and depends on the X libraries it loads. The fonts the
# windows are laid out for are found by name at run time, not linked, so they are named here,
# as are Qt's Russian translations, which the editor loads for its file dialogs and buttons.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2, qt6-translations-l10n")
# Directories owned by the base system stay out of the package's file list.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The man page's exit codes must stay those the tool's --help gives.
if(BUILD_TESTING AND TARGET cifrovex-bank)
    add_test(NAME man_page_exit_codes
             COMMAND ${PROJECT_SOURCE_DIR}/packaging/check-man-exit-codes.sh $<TARGET_FILE:cifrovex-bank>
                     ${PROJECT_SOURCE_DIR}/packaging/cifrovex-bank.1)
    set_tests_properties(man_page_exit_codes PROPERTIES LABELS bank)
endif()
