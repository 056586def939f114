# KtPackaging.cmake - the Debian package of the Linux desktop programs, and the files a desktop
# wants besides the programs (menu icons, AppStream metadata, manual pages, copyright).
#   cmake --preset fltk && cmake --build --preset fltk && (cd build/fltk && cpack -G DEB)
# gives build/fltk/korvatone_1.00_<arch>.deb; tests/integration/deb_package.sh checks it.
#
# This file is read twice: by CMake when the fltk build is configured (included from the top
# CMakeLists.txt), and by CPack as its pre-build script, just before it packs the staged files
# (the part below, recognised by CPACK_TEMPORARY_DIRECTORY, which only CPack sets).
#
# The start scripts name the folders of the data files and of the programs. src/CMakeLists.txt
# writes them into its copies from CMAKE_INSTALL_PREFIX when the build is configured, which is
# what `cmake --install` needs (/usr/local unless -DCMAKE_INSTALL_PREFIX chose another). The
# package always installs under /usr, whatever the build was configured for, so its copies
# are configured again here from the packaging prefix and put over the staged ones. So a build
# configured for /opt/korvatone installs correctly there and still packs a correct package,
# and the developer's default install stays in /usr/local, out of the package manager's way.
if(DEFINED CPACK_TEMPORARY_DIRECTORY)
  set(KT_DATA_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/share/korvatone)
  set(KT_BIN_DIR ${CPACK_PACKAGING_INSTALL_PREFIX}/bin)
  foreach(script ktprog-start ktboot-start)
    set(staged ${CPACK_TEMPORARY_DIRECTORY}${KT_BIN_DIR}/${script})
    # Only ever replace what the install put there: a staging area laid out differently
    # (another CPack) must stop the packing, not get a second copy somewhere.
    if(NOT EXISTS ${staged})
      message(FATAL_ERROR "Korvatone: ${staged} is not where CPack staged the start script")
    endif()
    configure_file(${CPACK_KT_SOURCE_DIR}/data/desktop/${script} ${staged} @ONLY
                   FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                    WORLD_READ WORLD_EXECUTE)
  endforeach()
  return()
endif()

include(GNUInstallDirs)

# --- what a desktop and the package manager read besides the programs ---

# Menu icons in the hicolor theme, one picture per size (data/icons/PROGRAM-SIZE.png).
foreach(program ktprog ktboot)
  foreach(size 16 32 48 64 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/data/icons/${program}-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${program}.png)
  endforeach()
  # Software centres (and `appstreamcli`) find each program's entry here.
  install(FILES ${PROJECT_SOURCE_DIR}/data/metainfo/org.korvatone.${program}.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endforeach()

# Manual pages and the changelog, compressed as Debian wants them: gzip -9 without the file's
# name and time (-n), so the same source gives the same package bytes.
set(KT_PACKAGING_DIR ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${KT_PACKAGING_DIR})
set(compressed)
foreach(page ktprog.1 ktboot.1 ktunit.1)
  list(APPEND compressed ${KT_PACKAGING_DIR}/${page}.gz)
  add_custom_command(OUTPUT ${KT_PACKAGING_DIR}/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/man/${page} ${KT_PACKAGING_DIR}/${page}
    COMMAND gzip -9nf ${KT_PACKAGING_DIR}/${page}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/man/${page}
    VERBATIM)
endforeach()
add_custom_command(OUTPUT ${KT_PACKAGING_DIR}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/data/debian/changelog ${KT_PACKAGING_DIR}/changelog
  COMMAND gzip -9nf ${KT_PACKAGING_DIR}/changelog
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog
  VERBATIM)
add_custom_target(kt_packaging_files ALL DEPENDS ${compressed} ${KT_PACKAGING_DIR}/changelog.gz)
install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The start scripts are documented on their programs' pages.
foreach(program ktprog ktboot)
  file(CREATE_LINK ${program}.1.gz ${KT_PACKAGING_DIR}/${program}-start.1.gz SYMBOLIC)
  install(FILES ${KT_PACKAGING_DIR}/${program}-start.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${KT_PACKAGING_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# --- the Debian package ---

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME korvatone)
set(CPACK_PACKAGE_VERSION "1.00")  # the programs' version text, not the project's 1.0
set(CPACK_PACKAGE_VENDOR "Korvatone desktop companion developers")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_KT_SOURCE_DIR ${PROJECT_SOURCE_DIR})
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_FILE})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # korvatone_1.00_amd64.deb, the architecture from dpkg
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The project's commit address; there is no mailing list yet.
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "Korvatone desktop companion developers <maintainers@users.noreply.c-seed-e7308f35.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "preset editor and firmware updater for the Korvatone synthesizer")
set(CPACK_PACKAGE_DESCRIPTION
    "Desktop programs for the Korvatone synthesizer and effects unit, which is
reached only over MIDI.

ktprog, the preset editor, shows a panel of 104 pots whose every change goes to
the unit at once as NRPN. It keeps programs in files, writes them into the
unit's 99 locations by SysEx (one, a whole folder, or only the changed ones),
exports and imports SysEx files, and has undo, compare, an on-screen keyboard,
MIDI thru and MIDI learn for control surfaces.

ktboot, the firmware updater, sends a loader file's image to the unit in its
update mode and reports the result.

ktunit is a virtual unit on a MIDI port, for trying both without the
instrument. MIDI goes through the ALSA sequencer, or through JACK where there
is none.")
# The libraries the programs link (FLTK, RtMidi, the C++ runtime) as dpkg-shlibdeps finds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# A JACK server is needed only where there is no ALSA sequencer (containers, some remote
# machines): Suggests, so that an ordinary desktop is not given a second sound server (and
# jackd2's question about real-time priority) it does not need. RtMidi already brings the
# JACK client library.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "jackd2")
# A package has stripped programs (lintian: unstripped-binary-or-object), directories 0755
# whatever the umask, and control files 0644 (lintian checks both).
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# lintian --pedantic then reports no error and no warning; what it still says is information:
# - binary-has-unneeded-section .comment: CPack strips with plain `strip`, which keeps the
#   compiler's version note; a few dozen bytes.
# - hardening-no-bindnow, hardening-no-fortify-functions: the fltk build uses CMake's flags,
#   not dpkg-buildflags (no -Wl,-z,now, no -D_FORTIFY_SOURCE). Changing them would change the
#   build the integration tests measure; left for a build made by Debian's own tools.
# - spelling-error-in-binary Updat Update (ktboot): no misspelling; the compiler builds the
#   line " or not in Update Mode," from 8-byte pieces stored in the code, and lintian reads
#   one piece as a word.
include(CPack)
