# Installing and packaging the program.
#
#   Linux (x11):  cmake --install puts the program in lib/jellop/ with its two sounds beside it
#                 (links to share/jellop/, where the data lives), a link bin/jellop to it, the
#                 .desktop file and the icon in the freedesktop places; cpack makes a .deb whose
#                 dependencies dpkg-shlibdeps reads off the program.
#   Windows:      cpack makes a .zip of jellop.exe, its sounds and a README for the user.
#
# The program finds its sounds beside its own file (the link bin/jellop resolves to lib/jellop/),
# so the installed program and the one in the build folder look for them the same way.
if(NOT TARGET jellop)
  return()
endif()

set(CPACK_PACKAGE_NAME jellop)
set(CPACK_PACKAGE_VENDOR "Desktop Jellop")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "A jelly creature that lives on your desktop and bounces after the pointer")
set(jellop_sounds ${PROJECT_SOURCE_DIR}/resources/sounds/jellop_move.wav
                  ${PROJECT_SOURCE_DIR}/resources/sounds/jellop_die.wav)

if(JELLOP_PLATFORM STREQUAL "x11")
  install(TARGETS jellop RUNTIME DESTINATION lib/jellop)
  install(FILES ${jellop_sounds} DESTINATION share/jellop)
  # The pointer relays of Wayland sessions: the KWin script the program loads itself, and the
  # GNOME Shell extension, installed for every user (each enables it once).
  install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/kwin/jellop-kwin-pointer.js
          DESTINATION share/jellop)
  # Both forms: a shell loads the one whose shell-version lists it.
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/linux/gnome-shell/legacy/
          DESTINATION share/gnome-shell/extensions/jellop-pointer-43@desktopjellop.org)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/linux/gnome-shell/module/
          DESTINATION share/gnome-shell/extensions/jellop-pointer@desktopjellop.org)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/linux/jellop.desktop DESTINATION share/applications)
  foreach(size 32x32 128x128)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/icon/hicolor/${size}/apps/jellop.png
            DESTINATION share/icons/hicolor/${size}/apps)
  endforeach()
  # Relative links, so that the tree works wherever it is unpacked (a staging folder, DESTDIR).
  install(CODE [[
    set(root "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
    file(MAKE_DIRECTORY "${root}/bin")
    file(CREATE_LINK ../lib/jellop/jellop "${root}/bin/jellop" SYMBOLIC)
    foreach(sound jellop_move.wav jellop_die.wav jellop-kwin-pointer.js)
      file(CREATE_LINK ../../share/jellop/${sound} "${root}/lib/jellop/${sound}" SYMBOLIC)
    endforeach()
  ]])
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Loaded when the first pop-up is drawn, so dpkg-shlibdeps does not see it.
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libxft2 (>= 2.1.1)")
  set(CPACK_DEBIAN_PACKAGE_SECTION games)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Desktop Jellop developers <jellop@users.noreply.example>")
  # The summary above is the package's one-line synopsis; this is the text below it.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "A desktop pet: a small jelly creature lives on the desktop in a window cut to its\nshape. It bounces after the pointer, plays short panned sounds, can be dragged,\nhas a menu on the right button and dies with a splat when double-clicked.")
elseif(JELLOP_PLATFORM STREQUAL "win32")
  install(TARGETS jellop RUNTIME DESTINATION .)
  install(FILES ${jellop_sounds} ${PROJECT_SOURCE_DIR}/resources/windows/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
endif()

include(CPack)
