# Packages (cmake --build --preset <build> --target package):
#   win32, win64: duckview-VERSION-win32.zip / -win64.zip with the program,
#                 its README and licence;
#   linux:        duckview_VERSION_amd64.deb with the program, its desktop
#                 entry and the duck icon in the hicolor theme.
set(CPACK_PACKAGE_NAME duckview)
set(CPACK_PACKAGE_VENDOR "the duckview developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "interactive OpenGL viewer of a lit 3D duck")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)

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
else()
  include(GNUInstallDirs)
  foreach(size 16 32 48 64 128 256)
    install(FILES data/icons/duckview-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME duckview.png)
  endforeach()
  install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/duckview RENAME copyright)

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the duckview developers")
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
