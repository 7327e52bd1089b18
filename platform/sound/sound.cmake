# MIDI output ports (RtMidi for ALSA, libjack for JACK) and the built-in synthesiser (FluidSynth),
# as the library pulselattice_midi: the window program links it through pulselattice_platform, the render tool
# links it alone, without Qt. Included from platform/CMakeLists.txt after the pkg-config checks.
get_filename_component(PLATFORM_DIR ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)
set(MIDI_AUDIO_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/alsa_control_ports.cpp    # the control input and feedback output on ALSA
  ${CMAKE_CURRENT_LIST_DIR}/control_inbox.cpp         # control messages from the receiving threads to the UI thread
  ${CMAKE_CURRENT_LIST_DIR}/fluid_library.cpp         # FluidSynth loaded on first use, not at start-up
  ${CMAKE_CURRENT_LIST_DIR}/fluid_support.cpp         # soundfont search, message dispatch, log capture
  ${CMAKE_CURRENT_LIST_DIR}/fluid_synth_output.cpp    # the built-in synthesiser (device -1)
  ${CMAKE_CURRENT_LIST_DIR}/jack_client.cpp           # JACK clients opened quietly, JACK MIDI inputs listed
  ${CMAKE_CURRENT_LIST_DIR}/jack_control_ports.cpp    # the control input and feedback output on JACK
  ${CMAKE_CURRENT_LIST_DIR}/jack_midi_output.cpp      # our own JACK MIDI output port
  ${CMAKE_CURRENT_LIST_DIR}/link_session.cpp          # the Link session behind the beat timeline
  ${CMAKE_CURRENT_LIST_DIR}/midi_jack_probe.cpp       # does a JACK server answer?
  ${CMAKE_CURRENT_LIST_DIR}/offline_wav_render.cpp    # .wav through the synthesiser, offline
  ${CMAKE_CURRENT_LIST_DIR}/pulse_library.cpp         # libpulse-simple loaded on first use, not at start-up
  ${CMAKE_CURRENT_LIST_DIR}/pulse_synth_stream.cpp    # the synthesiser's PulseAudio stream
  ${PLATFORM_DIR}/os/realtime_thread.cpp        # SCHED_FIFO where allowed
  ${CMAKE_CURRENT_LIST_DIR}/soundfont_load.cpp        # a soundfont loading on a thread nobody waits for
  ${CMAKE_CURRENT_LIST_DIR}/rtmidi_ports.cpp          # ALSA sequencer ports through RtMidi
  ${CMAKE_CURRENT_LIST_DIR}/synth_frame_timeline.cpp  # the synthesiser's steady-clock time to sample frames
  ${CMAKE_CURRENT_LIST_DIR}/system_midi_output.cpp)   # device numbering: synthesiser, ALSA, JACK
add_library(pulselattice_midi STATIC ${MIDI_AUDIO_SOURCES})
target_link_libraries(pulselattice_midi PUBLIC pulselattice_core PkgConfig::RTMIDI PkgConfig::JACK
                      Threads::Threads ${CMAKE_DL_LIBS})
# FluidSynth's and PulseAudio's headers only: fluid_library.cpp and pulse_library.cpp load the
# libraries when they are first used.
target_include_directories(pulselattice_midi PUBLIC ${FLUIDSYNTH_INCLUDE_DIRS} ${PULSE_SIMPLE_INCLUDE_DIRS})
target_compile_options(pulselattice_midi PUBLIC ${FLUIDSYNTH_CFLAGS_OTHER} ${PULSE_SIMPLE_CFLAGS_OTHER})
# Link is header-only (Debian ableton-link-dev, libasio-dev); its CMake config gives the target,
# else its headers are used with the platform named by hand.
find_package(AbletonLink CONFIG QUIET)
if(TARGET Ableton::Link)
  target_link_libraries(pulselattice_midi PUBLIC Ableton::Link)
else()
  target_compile_definitions(pulselattice_midi PUBLIC LINK_PLATFORM_LINUX=1)
endif()
