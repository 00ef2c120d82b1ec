# Program-level tests: the installed program runs "--verify" on generated
# songs (tests/app/verify_program.cmake).
set(verify_script ${CMAKE_CURRENT_SOURCE_DIR}/app/verify_program.cmake)
set(verify_work ${CMAKE_BINARY_DIR}/verify-program-tests)
set(verify_fixtures ${TAMREL_GENERATED_DIR}/fixtures)
find_program(TAMREL_SYSTEM_FFMPEG ffmpeg REQUIRED)
find_program(TAMREL_SYSTEM_FFPROBE ffprobe REQUIRED)
set(verify_args -DPROGRAM=$<TARGET_FILE:tamrel_app> -DFFMPEG=${TAMREL_SYSTEM_FFMPEG}
                -DFFPROBE=${TAMREL_SYSTEM_FFPROBE})
if(CMAKE_CROSSCOMPILING)
  list(APPEND verify_args -DWINE_RUN=${CMAKE_SOURCE_DIR}/scripts/wine-run.sh -DWINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix)
endif()

function(add_verify_test name)
  add_test(NAME verify_${name} COMMAND ${CMAKE_COMMAND} ${verify_args} -DWORK=${verify_work}/${name} ${ARGN}
                                       -P ${verify_script})
  set_tests_properties(verify_${name} PROPERTIES LABELS "app;program" TIMEOUT 1800)
endfunction()

foreach(format wav mp3 flac ogg m4a aac opus wma)
  add_verify_test(demo_${format} -DEXPECT=package -DSONG=${verify_fixtures}/demo.${format})
endforeach()
add_verify_test(non_ascii_name -DEXPECT=package -DSONG=${verify_fixtures}/demo.wav "-DCOPY_AS=canción ñandú.wav")
add_verify_test(too_few_beats -DEXPECT=failure -DSYNTH=silence)
add_verify_test(too_short -DEXPECT=failure -DSYNTH=short)
if(CMAKE_CROSSCOMPILING)
  add_verify_test(same_cuts_as_linux -DEXPECT=package -DSONG=${verify_fixtures}/demo.wav
                  -DCOMPARE_WITH=${TAMREL_NATIVE_BUILD_DIR}/install/tamrel-orvane)
  # Both decoders decode these formats to the same bits, so everything after
  # them must agree to the byte too.
  foreach(format wav mp3 flac ogg)
    add_verify_test(same_package_as_linux_${format} -DEXPECT=package -DSONG=${verify_fixtures}/demo.${format}
                    -DCOMPARE_WITH=${TAMREL_NATIVE_BUILD_DIR}/install/tamrel-orvane -DSAME_PACKAGE=ON)
  endforeach()
endif()
if(TARGET test_app AND TARGET place_model)
  add_dependencies(test_app place_model)
endif()
