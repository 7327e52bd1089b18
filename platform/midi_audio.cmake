# MIDI output ports (RtMidi for ALSA, libjack for JACK) and the built-in synthesiser (FluidSynth),
# as the library pulselattice_midi: the window program links it through pulselattice_platform, the render tool
# links it alone, without Qt. Included from platform/CMakeLists.txt after the pkg-config checks.
file(GLOB MIDI_AUDIO_SOURCES CONFIGURE_DEPENDS
  ${CMAKE_CURRENT_LIST_DIR}/*midi*.cpp ${CMAKE_CURRENT_LIST_DIR}/*synth*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/*fluid*.cpp ${CMAKE_CURRENT_LIST_DIR}/*rtmidi*.cpp ${CMAKE_CURRENT_LIST_DIR}/*wav*.cpp
  ${CMAKE_CURRENT_LIST_DIR}/*jack*.cpp ${CMAKE_CURRENT_LIST_DIR}/*pulse*.cpp ${CMAKE_CURRENT_LIST_DIR}/realtime_thread.cpp)
list(REMOVE_DUPLICATES MIDI_AUDIO_SOURCES)
add_library(pulselattice_midi STATIC ${MIDI_AUDIO_SOURCES})
target_link_libraries(pulselattice_midi PUBLIC pulselattice_core PkgConfig::RTMIDI PkgConfig::JACK PkgConfig::FLUIDSYNTH
                      PkgConfig::PULSE_SIMPLE Threads::Threads)
