# Installing Kestrel: `cmake --install build` (to /usr/local unless
# CMAKE_INSTALL_PREFIX says otherwise) and `cpack` (a .deb for /usr).
#
# The program finds its own data (knowledgebase/, Profiles/) beside its
# executable, so the three live together in lib/kestrel; bin/kestrel is a
# link to the program there. Qt resolves the link when it looks for its
# own folder. An installed knowledge base is read-only: the first run copies
# it into the user's data folder (kb/KnowledgeBaseFolder).
include(GNUInstallDirs)

set(KESTREL_INSTALL_APPDIR lib/kestrel)

install(TARGETS kestrel RUNTIME DESTINATION ${KESTREL_INSTALL_APPDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/kb/data/knowledgebase DESTINATION ${KESTREL_INSTALL_APPDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/screenrec/data/Profiles DESTINATION ${KESTREL_INSTALL_APPDIR})
install(CODE "
  set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
  file(MAKE_DIRECTORY \"\${bindir}\")
  file(CREATE_LINK ../${KESTREL_INSTALL_APPDIR}/kestrel \"\${bindir}/kestrel\" SYMBOLIC)
  message(STATUS \"Installing: \${bindir}/kestrel -> ../${KESTREL_INSTALL_APPDIR}/kestrel\")
")

# The desktop's view of it: menu entry (which also makes Kestrel an "Open
# with" choice for the video types it lists), icon.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestrel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kestrel.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# A plain install refreshes the desktop's list of which program opens which
# type itself; a package leaves that to the system's triggers.
install(CODE "
  if(NOT \"\$ENV{DESTDIR}\")
    find_program(update_desktop_database update-desktop-database)
    if(update_desktop_database)
      execute_process(COMMAND \${update_desktop_database} -q \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications\")
    endif()
  endif()
")

# cpack -G DEB: a package for Debian 12 that pulls in what the program links
# against (found by dpkg-shlibdeps) and Qt's X11 platform plugin, which no
# library link names.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "Korvane Software")
set(CPACK_PACKAGE_CONTACT "Kestrel developers <kestrel@korvanesoftware.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "golf swing analysis on video")
set(CPACK_PACKAGE_DESCRIPTION
  "Kestrel opens a recorded golf swing, steps through it frame by frame, draws lines, angles and arcs over it, \
measures real lengths after calibrating a ruler, blends a reference swing over your own, records from a camera, \
trims clips, records the screen and keeps a small illustrated knowledge base.")
set(CPACK_PACKAGE_HOMEPAGE_URL "${KESTREL_PRODUCT_SITE}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")
set(CPACK_STRIP_FILES ON)
include(CPack)
