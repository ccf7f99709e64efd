# Installation layout and the Debian package (cpack -G DEB).

include(GNUInstallDirs)

# The program opens data.cvx in its current directory; the desktop entry starts it in the folder
# that holds the shipped bank.
set(CIFROVEX_DATA_DIR ${CMAKE_INSTALL_DATADIR}/cifrovex)

if(TARGET cifrovex-bank)
    install(TARGETS cifrovex-bank RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/cifrovex.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/glyphs/cifrovex.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
if(EXISTS ${PROJECT_SOURCE_DIR}/packaging/cifrovex-bank.1)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/cifrovex-bank.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(CPACK_PACKAGE_NAME cifrovex)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Cifrovex team <cifrovex@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-test in school mathematics")
set(CPACK_PACKAGE_DESCRIPTION "Cifrovex is a desktop self-test in school mathematics: the student picks a
level, answers 10, 15 or 20 multiple-choice problems from a question bank and
gets the number of correct answers and a mark from 2 to 5. Includes
cifrovex-bank, a tool to build, dump and check question banks.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://cifrovex.example.org")
# Library dependencies come from dpkg-shlibdeps; the fonts the windows are designed around are
# not linked, so name them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation2")
include(CPack)
