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

# Ctrl+C in the middle of a batch (tests/cli/interrupt.sh says how under Wine).
set(interrupt_args $<TARGET_FILE:tamrel_console> ${TAMREL_GENERATED_DIR}/fixtures/demo.wav ${TAMREL_SYSTEM_FFMPEG}
    ${CMAKE_BINARY_DIR}/console-tests/interrupt)
if(CMAKE_CROSSCOMPILING)
  list(APPEND interrupt_args ${CMAKE_SOURCE_DIR}/scripts/wine-run.sh ${CMAKE_BINARY_DIR}/wineprefix)
endif()
add_test(NAME console_interrupt COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/interrupt.sh ${interrupt_args})
set_tests_properties(console_interrupt PROPERTIES LABELS "${console_tree};cli" TIMEOUT 900)

# The bar under a pseudo-terminal, natively. Under Wine the bar is read off the
# screen of a real console instead (tests/cli/win32/console_bar_test.cpp).
if(NOT CMAKE_CROSSCOMPILING)
  add_test(NAME console_progress_bar
           COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/cli/progress_bar.sh $<TARGET_FILE:tamrel_console>
                   ${TAMREL_GENERATED_DIR}/fixtures/demo.wav ${CMAKE_BINARY_DIR}/console-tests/progress_bar)
  set_tests_properties(console_progress_bar PROPERTIES LABELS "unit;cli" TIMEOUT 600)
endif()
