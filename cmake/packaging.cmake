# Packages (cmake --build --preset <build> --target package):
#   win32, win64: duckview-VERSION-win32.zip / -win64.zip with the program,
#                 its README and licence;
#   linux:        duckview_VERSION_amd64.deb with the program, its desktop
#                 entry, the duck icon in the hicolor theme, its manual
#                 page, changelog and AppStream entry.
set(CPACK_PACKAGE_NAME duckview)
set(CPACK_PACKAGE_VENDOR "the duckview developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive OpenGL viewer of a lit 3D duck")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(DUCKVIEW_MAINTAINER "" CACHE STRING
    "Who makes the packages, as \"Name <address>\" (the .deb's Maintainer and its changelog's signature)")

if(WIN32)
  # A folder to unpack anywhere: the program at its top, beside its notes.
  # (Read by GNUInstallDirs when the program's install rule is made.)
  set(CMAKE_INSTALL_BINDIR .)
  install(FILES README.md DESTINATION . RENAME README.txt)
  install(FILES LICENSE DESTINATION . RENAME LICENSE.txt)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME duckview-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
elseif(NOT EMSCRIPTEN)
  include(GNUInstallDirs)
  foreach(size 16 32 48 64 128 256)
    install(FILES data/icons/duckview-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME duckview.png)
  endforeach()
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

  # The software centres' entry (AppStream), under the name of its id.
  file(READ data/duckview.metainfo.xml metainfo)
  string(REGEX MATCH "<id>([^<]+)</id>" id "${metainfo}")
  install(FILES data/duckview.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo
          RENAME ${CMAKE_MATCH_1}.metainfo.xml)

  # The changelog's newest entry names the version being built, and the
  # package's maintainer signs it (without one set, the project's name does).
  file(STRINGS data/changelog newest LIMIT_COUNT 1)
  if(NOT newest MATCHES "^duckview \\(${PROJECT_VERSION}\\) ")
    message(FATAL_ERROR "data/changelog: the newest entry is not for version ${PROJECT_VERSION}: ${newest}")
  endif()
  if(DUCKVIEW_MAINTAINER)
    set(DUCKVIEW_CHANGELOG_SIGNATURE "${DUCKVIEW_MAINTAINER}")
  else()
    set(DUCKVIEW_CHANGELOG_SIGNATURE "${CPACK_PACKAGE_VENDOR}")
  endif()
  # The manual page and the changelog go in compressed, without the time
  # of compression, so that the same sources give the same files.
  set(docs ${PROJECT_BINARY_DIR}/docs)
  configure_file(data/changelog ${docs}/changelog @ONLY)
  add_custom_command(OUTPUT ${docs}/duckview.6.gz ${docs}/changelog.gz
    COMMAND sh -c "gzip -9n < \"$0\" > \"$1\" && gzip -9n < \"$2\" > \"$3\""
            ${PROJECT_SOURCE_DIR}/data/duckview.6 ${docs}/duckview.6.gz ${docs}/changelog ${docs}/changelog.gz
    DEPENDS data/duckview.6 ${docs}/changelog
    VERBATIM)
  add_custom_target(compressed_docs ALL DEPENDS ${docs}/duckview.6.gz ${docs}/changelog.gz)
  install(FILES ${docs}/duckview.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
  install(FILES ${docs}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  # Debian's Maintainer field, "Name <address>": whoever makes the package
  # sets it (cmake -DDUCKVIEW_MAINTAINER=...); cpack refuses to make the
  # .deb without one.
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${DUCKVIEW_MAINTAINER}")
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  # The summary line comes first, from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "duckview shows one built-in 3D model, a duck figure lit by seven lights
and turning slowly. Drag it with the left mouse button like a trackball;
f toggles fog, p wireframe, Escape quits.")
  # The libraries it links (SDL2, OpenGL) come from dpkg-shlibdeps; SDL2
  # opens the GLX library only at run time, so that one is named here.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1")
endif()

include(CPack)
