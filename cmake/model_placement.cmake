# Puts the beat model beside the program (install/) and the test executables
# (tests-bin/). The native tree writes it with tools/onnx_model; a cross tree
# cannot run that tool and copies it from the native tree's generated/.
set(TAMREL_MODEL_SOURCE ${TAMREL_GENERATED_DIR}/beat_this.onnx)
if(CMAKE_CROSSCOMPILING AND NOT TAMREL_NATIVE_BUILD_DIR)
  message(WARNING "TAMREL_NATIVE_BUILD_DIR is not set: the beat model cannot be placed")
endif()
add_custom_target(place_model ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TAMREL_MODEL_SOURCE} ${TAMREL_INSTALL_DIR}/beat_this.onnx
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${TAMREL_MODEL_SOURCE} ${TAMREL_TESTS_BIN_DIR}/beat_this.onnx
  COMMENT "Placing beat_this.onnx in install/ and tests-bin/")
if(TARGET onnx_models)
  add_dependencies(place_model onnx_models)
endif()

# Gives a test executable the generated folder (models/, fixtures/) and its
# own folder, in the form its file system understands: Wine maps / to Z:.
function(tamrel_use_generated_files target)
  add_dependencies(${target} place_model)
  if(CMAKE_CROSSCOMPILING)
    set(drive "Z:")
  else()
    set(drive "")
  endif()
  target_compile_definitions(${target} PRIVATE
    TAMREL_TEST_GENERATED_DIR="${drive}${TAMREL_GENERATED_DIR}"
    TAMREL_TEST_BIN_DIR="${drive}${TAMREL_TESTS_BIN_DIR}")
endfunction()
