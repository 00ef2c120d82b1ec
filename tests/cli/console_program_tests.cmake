# Scenarios of the installed console program (tests/cli/console_program.cmake),
# natively and, in the Windows tree, under Wine.
set(console_args -DPROGRAM=$<TARGET_FILE:tamrel_console> -DWINDOW=$<TARGET_FILE:tamrel_app>
    -DFFMPEG=${TAMREL_SYSTEM_FFMPEG} -DFIXTURES=${TAMREL_GENERATED_DIR}/fixtures)
if(CMAKE_CROSSCOMPILING)
  list(APPEND console_args -DWINE_RUN=${CMAKE_SOURCE_DIR}/scripts/wine-run.sh -DWINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix)
  set(console_tree wine)
else()
  set(console_tree unit)
endif()
foreach(scenario analyse_demo same_as_window batch_one_broken cache_hit bad_hand_cuts)
  add_test(NAME console_${scenario}
           COMMAND ${CMAKE_COMMAND} ${console_args} -DWORK=${CMAKE_BINARY_DIR}/console-tests/${scenario}
                   -DSCENARIO=${scenario} -P ${CMAKE_CURRENT_SOURCE_DIR}/cli/console_program.cmake)
  set_tests_properties(console_${scenario} PROPERTIES LABELS "${console_tree};cli" TIMEOUT 1800)
endforeach()
