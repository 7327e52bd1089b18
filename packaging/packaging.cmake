# The Debian package, built by CPack from a Release build (scripts/package):
# pulselattice_<version>_<arch>.deb installing under /usr. Library dependencies come from
# dpkg-shlibdeps; the soundfont and the audio server are named here.
include(GNUInstallDirs)

set(PULSELATTICE_MAINTAINER "pulseLattice developers <pulselattice@example.org>" CACHE STRING
    "Maintainer field of the package and its changelog")
# This version's date for the changelog, in the form Debian wants (the same day as the release date).
set(PULSELATTICE_RELEASE_DATE_RFC2822 "Tue, 08 Dec 2026 12:00:00 +0000")

install(FILES ${CMAKE_CURRENT_LIST_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pulselattice)
configure_file(${CMAKE_CURRENT_LIST_DIR}/changelog.in ${CMAKE_BINARY_DIR}/packaging/changelog @ONLY)
execute_process(COMMAND gzip -9 -n -f -k ${CMAKE_BINARY_DIR}/packaging/changelog RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "gzip could not compress the changelog")
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/pulselattice)

execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE deb_architecture OUTPUT_STRIP_TRAILING_WHITESPACE
                ERROR_QUIET)
if(NOT deb_architecture)
  set(deb_architecture amd64)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pulselattice)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "pulseLattice developers")
set(CPACK_PACKAGE_CONTACT "${PULSELATTICE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turn a number into a layered MIDI rhythm")
set(CPACK_PACKAGE_DESCRIPTION
"pulseLattice derives a layered, self-similar rhythm from a real number from 1
to 4, such as the golden ratio, the square root of 2, e or pi, and plays it
live as MIDI on the built-in General MIDI synthesiser (FluidSynth) or on ALSA
sequencer and JACK MIDI ports. Up to 8 layers each play an alpha and a beta
voice; every event of a layer lasts one cycle of the layer below.

The package holds the window program pulselattice and the command-line tool
pulselattice-render, which writes the same rhythm as a Standard MIDI File,
WAV audio or a list of messages.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME "pulselattice_${PROJECT_VERSION}_${deb_architecture}.deb")
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${deb_architecture})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${PULSELATTICE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Any General MIDI soundfont at /usr/share/sounds/sf2/default-GM.sf2 serves the built-in synthesiser;
# the dialogs are laid out with Liberation Sans where their own font is missing.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "timgm6mb-soundfont | sf2-soundfont-gm, fonts-liberation | fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
include(CPack)
