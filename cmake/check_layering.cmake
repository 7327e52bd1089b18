# Fails when an include runs against the layers:
#   common <- settings <- engine <- dialogs <- app <- platform <- tools, harness <- benchmarks, tests
# (resources as data, including only common/). Inside platform/, sound/ and os/ include no Qt and
# nothing of qt/; os/ includes nothing of sound/. Only dialogs/, app/ and platform/ read resources/.
# Only platform/ (and what stands on it) includes Qt, RtMidi, FluidSynth, PulseAudio, JACK, ALSA,
# liblo or Link. platform/net/ (the OSC server) includes no Qt and nothing of
# qt/. Project headers are included with quotes from the repository's root, never with
# angle brackets and never by a relative path. Every file below each folder is read, subfolders
# included.
# Run at every build as cmake -DSOURCE_DIR=<repository> -P check_layering.cmake.
cmake_minimum_required(VERSION 3.25)
set(qt "<Q[A-Za-z]")
set(libraries ${qt} "<rtmidi/" "<RtMidi" "<fluidsynth" "<pulse/" "<jack/" "<alsa/" "<lo/" "<ableton/" "<asio")
set(above_platform tools/ harness/ benchmarks/ tests/)
set(forbidden_common settings/ engine/ dialogs/ app/ resources/ platform/ ${above_platform} ${libraries})
set(forbidden_settings engine/ dialogs/ app/ resources/ platform/ ${above_platform} ${libraries})
set(forbidden_resources settings/ engine/ dialogs/ app/ platform/ ${above_platform} ${libraries})
set(forbidden_engine resources/ dialogs/ app/ platform/ ${above_platform} ${libraries})
set(forbidden_dialogs app/ platform/ ${above_platform} ${libraries})
set(forbidden_app platform/ ${above_platform} ${libraries})
set(forbidden_platform ${above_platform})
set(forbidden_platform/qt ${above_platform})
set(forbidden_platform/sound platform/qt/ ${above_platform} ${qt})
set(forbidden_platform/os platform/qt/ platform/sound/ ${above_platform} ${qt})
set(forbidden_platform/net platform/qt/ ${above_platform} ${qt})
set(forbidden_tools platform/qt/ harness/ benchmarks/ tests/ ${qt})
set(forbidden_harness tools/ benchmarks/ tests/)
set(forbidden_benchmarks tests/)
set(forbidden_tests "")
# Checked most specific first, so a file takes the rules of the deepest folder that has some.
set(layers platform/qt platform/sound platform/os platform/net
    common settings resources engine dialogs app platform tools harness benchmarks tests)
set(project_folders "(common|settings|engine|dialogs|app|resources|platform|tools|harness|benchmarks|tests)/")

set(problems "")
set(seen "")
foreach(layer ${layers})
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp" "${SOURCE_DIR}/${layer}/*.hpp")
  foreach(file ${files})
    if(file IN_LIST seen)
      continue()
    endif()
    list(APPEND seen "${file}")
    file(RELATIVE_PATH shown "${SOURCE_DIR}" "${file}")
    file(STRINGS "${file}" includes REGEX "^[ \t]*#[ \t]*include")
    foreach(line ${includes})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*" "" included "${line}")
      if(included MATCHES "^<${project_folders}")
        string(APPEND problems "  ${shown}: ${line}  (a project header in angle brackets)\n")
        continue()
      endif()
      # "../x.h" or "./x.h" would reach any folder past the rules below.
      if(included MATCHES "^[\"<]\\.\\.?/" OR included MATCHES "/\\.\\.?/")
        string(APPEND problems "  ${shown}: ${line}  (a relative include)\n")
        continue()
      endif()
      foreach(target ${forbidden_${layer}})
        if(included MATCHES "^\"${target}" OR included MATCHES "^${target}")
          string(APPEND problems "  ${shown}: ${line}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(problems)
  message(FATAL_ERROR "includes against the layering:\n${problems}")
endif()
