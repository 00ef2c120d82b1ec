# Lays out the runnable installation folder (install/) as on a user's
# machine, and gives the test executables (tests-bin/) the same neighbours,
# because the program finds its decoder, runtime and model beside itself.
set(TAMREL_TESTS_BIN_DIR ${CMAKE_BINARY_DIR}/tests-bin)
file(MAKE_DIRECTORY ${TAMREL_TESTS_BIN_DIR})

if(WIN32)
  # Built by scripts/setup.sh from Debian's FFmpeg source package.
  set(TAMREL_DECODER_SOURCE ${TAMREL_DEPS_DIR}/ffmpeg-windows/ffmpeg.exe)
  if(NOT EXISTS ${TAMREL_DECODER_SOURCE})
    message(FATAL_ERROR "Windows decoder missing at ${TAMREL_DECODER_SOURCE}: run scripts/setup.sh")
  endif()
  set(TAMREL_DECODER_NAME ffmpeg.exe)
  set(TAMREL_RUNTIME_SOURCE ${TAMREL_DEPS_DIR}/onnxruntime/win-x64/onnxruntime.dll)
  set(TAMREL_RUNTIME_NAME onnxruntime.dll)
else()
  find_program(TAMREL_SYSTEM_FFMPEG ffmpeg REQUIRED)
  set(TAMREL_DECODER_SOURCE ${TAMREL_SYSTEM_FFMPEG})
  set(TAMREL_DECODER_NAME ffmpeg)
  set(TAMREL_RUNTIME_SOURCE ${TAMREL_DEPS_DIR}/onnxruntime/linux-x64/libonnxruntime.so.1)
  set(TAMREL_RUNTIME_NAME libonnxruntime.so.1)
endif()

foreach(dir IN ITEMS ${TAMREL_INSTALL_DIR} ${TAMREL_TESTS_BIN_DIR})
  if(WIN32)
    file(COPY_FILE ${TAMREL_DECODER_SOURCE} ${dir}/${TAMREL_DECODER_NAME} ONLY_IF_DIFFERENT)
  else()
    # The Linux installation uses the system decoder through a link.
    file(CREATE_LINK ${TAMREL_DECODER_SOURCE} ${dir}/${TAMREL_DECODER_NAME} SYMBOLIC)
  endif()
  if(EXISTS ${TAMREL_RUNTIME_SOURCE})
    file(COPY_FILE ${TAMREL_RUNTIME_SOURCE} ${dir}/${TAMREL_RUNTIME_NAME} ONLY_IF_DIFFERENT)
  else()
    message(WARNING "ONNX Runtime missing at ${TAMREL_RUNTIME_SOURCE}: run scripts/setup.sh")
  endif()
endforeach()

# The user's help page, opened from the window's help command.
foreach(dir IN ITEMS ${TAMREL_INSTALL_DIR} ${TAMREL_TESTS_BIN_DIR})
  configure_file(${CMAKE_SOURCE_DIR}/app/resources/LEEME.html ${dir}/LEEME.html COPYONLY)
endforeach()
