# Installation in the GNU install directories, for `cmake --install BUILD
# [--prefix DIR]` and for the Debian package (cmake/KiveloPackage.cmake):
#
#   bin/                                   kivelo, kivelo-cli, qvsim
#   libexec/kivelo/kivelo-cli-full         the commands of kivelo-cli that load Qt, HDF5 or libsigrok
#   lib.../kivelo/qvsim/libqvsim-gpib.so   the simulator's GPIB library (KIVELO_GPIB_LIBRARY)
#   share/applications/ID.desktop          desktop entry, opens files with `kivelo %F`
#   share/metainfo/ID.metainfo.xml         AppStream description
#   share/mime/packages/ID.xml             the file types .wvf .rtm .fld .hdr
#   share/icons/hicolor/*/apps/ID.{png,svg}
#   share/man/man1/*.1.gz                  manual pages
#   share/kivelo/demo/                     the demo record in its three formats
#   share/doc/kivelo/                      README, copyright, changelog
#
# ID is the program's desktop file name, set in the program as well
# (QApplication::setDesktopFileName). The programs' own install() lines sit in
# their folders' CMakeLists.txt and use the directories set here, so this file
# is included before the modules.
include(GNUInstallDirs)

set(KIVELO_APP_ID io.github.kivelo.Kivelo)
set(KIVELO_ICON_SIZES 16 22 24 32 48 64 128 256)
# A plug-in loaded by path, not a library to link: a folder of its own, out of
# the linker's paths (and one level below lib/kivelo, so the package needs no
# ldconfig call).
set(KIVELO_INSTALL_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/kivelo/qvsim)
set(KIVELO_INSTALL_DEMODIR ${CMAKE_INSTALL_DATADIR}/kivelo/demo)
set(KIVELO_INSTALL_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/kivelo)
set(KIVELO_DESKTOP_DIR ${PROJECT_SOURCE_DIR}/data/desktop)

# The newest release of the metainfo file names the release date of the manual
# pages and of the package's changelog; it must be this project version.
file(STRINGS ${KIVELO_DESKTOP_DIR}/${KIVELO_APP_ID}.metainfo.xml _kivelo_releases
     REGEX "<release version=\"[^\"]+\" date=\"[0-9-]+\"")
list(GET _kivelo_releases 0 _kivelo_newest)
string(REGEX REPLACE ".*version=\"([^\"]+)\".*" "\\1" KIVELO_RELEASE_VERSION "${_kivelo_newest}")
string(REGEX REPLACE ".*date=\"([0-9-]+)\".*" "\\1" KIVELO_RELEASE_DATE "${_kivelo_newest}")
if(NOT KIVELO_RELEASE_VERSION STREQUAL PROJECT_VERSION)
  message(WARNING "The newest release in data/desktop/${KIVELO_APP_ID}.metainfo.xml is "
                  "${KIVELO_RELEASE_VERSION}, the project is ${PROJECT_VERSION}: add a <release>")
endif()

# ---- desktop integration (the program needs Qt) ------------------------------
if(KIVELO_GUI)
  install(FILES ${KIVELO_DESKTOP_DIR}/${KIVELO_APP_ID}.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${KIVELO_DESKTOP_DIR}/${KIVELO_APP_ID}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${KIVELO_DESKTOP_DIR}/icons/${KIVELO_APP_ID}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

  # The PNG sizes are painted at build time by the code that paints the
  # window icon, with its own simpler design below 32 px.
  add_subdirectory(${PROJECT_SOURCE_DIR}/tools/kivelo-icons ${PROJECT_BINARY_DIR}/tools/kivelo-icons)
  set(_kivelo_icon_dir ${PROJECT_BINARY_DIR}/icons)
  set(_kivelo_icon_pngs)
  foreach(size IN LISTS KIVELO_ICON_SIZES)
    list(APPEND _kivelo_icon_pngs ${_kivelo_icon_dir}/${size}.png)
    install(FILES ${_kivelo_icon_dir}/${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${KIVELO_APP_ID}.png)
  endforeach()
  add_custom_command(OUTPUT ${_kivelo_icon_pngs}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_kivelo_icon_dir}
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0
            $<TARGET_FILE:kivelo-icon-render> ${_kivelo_icon_dir} ${KIVELO_ICON_SIZES}
    DEPENDS kivelo-icon-render
    COMMENT "Painting the program icon")
  add_custom_target(kivelo_icons ALL DEPENDS ${_kivelo_icon_pngs})
endif()

# The file types are useful to a file manager with or without the program.
install(FILES ${KIVELO_DESKTOP_DIR}/${KIVELO_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME ${KIVELO_APP_ID}.xml)

set(_kivelo_demo ${PROJECT_SOURCE_DIR}/data/demo)
install(FILES ${_kivelo_demo}/demo_wave.wvf ${_kivelo_demo}/demo_wave.hdr ${_kivelo_demo}/demo_realtime.rtm
              ${_kivelo_demo}/demo_realtime.hdr ${_kivelo_demo}/demo_float.fld
        DESTINATION ${KIVELO_INSTALL_DEMODIR})
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${KIVELO_INSTALL_DOCDIR})

# ---- manual pages ---------------------------------------------------------------
# The pages name installed paths (the simulator's library, the demo record),
# so they are completed at install time, under the prefix actually installed
# to (cmake --install --prefix, or the package's /usr), then gzipped.
find_program(KIVELO_GZIP gzip)
set(_kivelo_man_pages kivelo-cli qvsim)
if(KIVELO_GUI)
  list(PREPEND _kivelo_man_pages kivelo)
endif()
install(CODE "
  set(_kivelo_man_sources \"${PROJECT_SOURCE_DIR}/man\")
  set(_kivelo_man_work \"${PROJECT_BINARY_DIR}/man\")
  set(_kivelo_man_pages \"${_kivelo_man_pages}\")
  set(_kivelo_man_dest \"${CMAKE_INSTALL_MANDIR}/man1\")
  set(_kivelo_libdir \"${KIVELO_INSTALL_PRIVATE_LIBDIR}\")
  set(_kivelo_demodir \"${KIVELO_INSTALL_DEMODIR}\")
  set(_kivelo_gzip \"${KIVELO_GZIP}\")
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(KIVELO_RELEASE_DATE \"${KIVELO_RELEASE_DATE}\")")
install(CODE [[
  foreach(dir IN ITEMS _kivelo_man_dest _kivelo_libdir _kivelo_demodir)
    if(NOT IS_ABSOLUTE "${${dir}}")
      set(${dir} "${CMAKE_INSTALL_PREFIX}/${${dir}}")
    endif()
  endforeach()
  set(KIVELO_GPIB_SIM_PATH "${_kivelo_libdir}/libqvsim-gpib.so")
  set(KIVELO_DEMO_DIR "${_kivelo_demodir}")
  file(MAKE_DIRECTORY "${_kivelo_man_work}")
  set(_kivelo_man_files)
  foreach(page IN LISTS _kivelo_man_pages)
    set(_page "${_kivelo_man_work}/${page}.1")
    configure_file("${_kivelo_man_sources}/${page}.1" "${_page}" @ONLY)
    if(_kivelo_gzip)
      # -n: no name or time stamp inside, the same bytes every time.
      execute_process(COMMAND "${_kivelo_gzip}" -9nf "${_page}" RESULT_VARIABLE _rc)
      if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "gzip of ${_page} failed")
      endif()
      string(APPEND _page ".gz")
    endif()
    list(APPEND _kivelo_man_files "${_page}")
  endforeach()
  file(INSTALL DESTINATION "${_kivelo_man_dest}" TYPE FILE PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ
       FILES ${_kivelo_man_files})
]])

include(${CMAKE_CURRENT_LIST_DIR}/KiveloPackage.cmake)
