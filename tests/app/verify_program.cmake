# One run of the installed program's "--verify" mode, judged only by what a
# script can see: exit code, "verification.txt", the package and the work
# folder left behind. Run with cmake -P and:
#   PROGRAM      the installed program
#   WINE_RUN     scripts/wine-run.sh when PROGRAM is a Windows program, else empty
#   WINEPREFIX   Wine prefix of that tree
#   SONG         the song to verify; SYNTH=silence or SYNTH=short makes one with FFMPEG
#   FFMPEG       the build machine's decoder, for SYNTH and to decode the game loop file
#   FFPROBE      the build machine's prober, to read the game loop file's comments
#   WORK         a scratch folder of this test alone
#   EXPECT       package (a complete package must appear) or failure (exit 1, nothing written)
#   COPY_AS      optional file name: verify a copy of SONG under this name
#   COMPARE_WITH optional native program: run it on the same song and require the same "cortes.json"
#   SAME_PACKAGE with COMPARE_WITH: require every file of both packages to be byte-identical
cmake_minimum_required(VERSION 3.25)

include(${CMAKE_CURRENT_LIST_DIR}/../support/program_paths.cmake)

# Runs program --verify song out with a private temporary folder (and,
# natively, a private home); sets <prefix>_CODE.
function(run_verify program wine song out tmp prefix)
  set(home "${tmp}-home")
  file(REMOVE_RECURSE "${tmp}" "${home}")
  file(MAKE_DIRECTORY "${tmp}" "${home}")
  if(wine)
    to_program_path("${song}" song)
    to_program_path("${out}" out)
    set(command ${CMAKE_COMMAND} -E env TAMREL_WINEPREFIX=${WINEPREFIX} ${wine} ${program})
  else()
    set(command ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME --unset=XDG_CONFIG_HOME HOME=${home} TMPDIR=${tmp}
                ${program})
  endif()
  execute_process(COMMAND ${command} --verify "${song}" "${out}" RESULT_VARIABLE code
                  OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr TIMEOUT 900)
  if(NOT wine AND (NOT stdout STREQUAL "" OR NOT stderr STREQUAL ""))
    fail("the program printed: " "${stdout}${stderr}")
  endif()
  set(${prefix}_CODE "${code}" PARENT_SCOPE)
  # The work folder goes at exit, whatever the outcome. Under Wine the
  # temporary folder is the prefix's own, so this is checked natively.
  if(NOT wine)
    # Nothing may stay behind there, not even the neural runtime's trace files.
    file(GLOB left LIST_DIRECTORIES true RELATIVE "${tmp}" "${tmp}/*" "${tmp}/.*")
    if(left)
      fail("left in the temporary folder: " "${left}")
    endif()
    # The home holds the per-user data folder and nothing else (no device id
    # or database of the runtime's); the music folder is there because the
    # default output folder lies in it, and is made sure of like on Windows.
    file(GLOB_RECURSE written LIST_DIRECTORIES true RELATIVE "${home}" "${home}/*")
    list(FILTER written EXCLUDE REGEX "^(\\.local(/share(/Tamrel(/.*)?)?)?|Music)$")
    if(written)
      fail("written into the home folder: " "${written}")
    endif()
  endif()
endfunction()

function(data_of wav out)
  execute_process(COMMAND tail -c +45 "${wav}" OUTPUT_FILE "${out}" RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    fail("cannot read " "${wav}")
  endif()
endfunction()

function(json_count json key out)
  if(NOT json MATCHES "\n  \"${key}\": ([0-9]+),\n")
    fail("cortes.json has no whole number " "${key}")
  endif()
  set(${out} "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# A complete package: eleven files, sections that rebuild the montage, and
# sizes that agree with "cortes.json".
function(check_package folder)
  set(expected 01-inicio.wav 02-loop.wav 03-final.wav 04-montaje.wav 05-escuchar-uniones.wav
               LEEME.txt analisis-musical.json cortes.json 06-bucle-juego.wav 06-bucle-juego.ogg marcadores.txt)
  file(GLOB names RELATIVE "${folder}" "${folder}/*")
  list(SORT names)
  list(SORT expected)
  if(NOT names STREQUAL expected)
    fail("package holds " "${names}")
  endif()

  file(READ "${folder}/cortes.json" cortes)
  json_count("${cortes}" startSample a)
  json_count("${cortes}" endSample b)
  json_count("${cortes}" montageFrames montage)
  json_count("${cortes}" repetitions n)
  if(NOT n EQUAL 2 OR NOT cortes MATCHES "\"crossfadeMs\": 60,")
    fail("not exported with 60 ms and 2 repetitions:\n" "${cortes}")
  endif()
  file(SIZE "${folder}/04-montaje.wav" montageBytes)
  math(EXPR want "44 + 6 * ${montage}")
  if(NOT montageBytes EQUAL want)
    fail("04-montaje.wav has " "${montageBytes}" " bytes, cortes.json says " "${montage}" " frames")
  endif()

  # Start, the loop twice and the outro, butted together, are the montage.
  set(scratch "${WORK}/data")
  file(MAKE_DIRECTORY "${scratch}")
  foreach(part 01-inicio 02-loop 03-final 04-montaje)
    data_of("${folder}/${part}.wav" "${scratch}/${part}")
  endforeach()
  execute_process(COMMAND cat "${scratch}/01-inicio" "${scratch}/02-loop" "${scratch}/02-loop" "${scratch}/03-final"
                  OUTPUT_FILE "${scratch}/rebuilt")
  execute_process(COMMAND cmp -s "${scratch}/rebuilt" "${scratch}/04-montaje" RESULT_VARIABLE differs)
  if(NOT differs EQUAL 0)
    fail("start + 2 x loop + outro differ from 04-montaje.wav")
  endif()

  # The join preview: six excerpts of L frames, 16-bit.
  file(SIZE "${folder}/03-final.wav" outroBytes)
  math(EXPR loopFrames "${b} - ${a}")
  math(EXPR outroFrames "(${outroBytes} - 44) / 6")
  set(l 144000)
  foreach(candidate ${a} ${loopFrames} ${outroFrames})
    if(candidate LESS l)
      set(l ${candidate})
    endif()
  endforeach()
  file(SIZE "${folder}/05-escuchar-uniones.wav" previewBytes)
  math(EXPR want "44 + 4 * 6 * ${l}")
  if(NOT previewBytes EQUAL want)
    fail("05-escuchar-uniones.wav has " "${previewBytes}" " bytes, want " "${want}")
  endif()
  check_game_files("${folder}" "${a}" "${b}" "${scratch}")
  file(REMOVE_RECURSE "${scratch}")
endfunction()

# The game loop pair holds start and one loop (B frames), the .ogg with its
# loop comments, as the build machine's FFmpeg reads them.
function(check_game_files folder a b scratch)
  file(SIZE "${folder}/06-bucle-juego.wav" gameBytes)
  math(EXPR want "44 + 4 * ${b} + 134")
  if(NOT gameBytes EQUAL want)
    fail("06-bucle-juego.wav has " "${gameBytes}" " bytes, want " "${want}")
  endif()
  math(EXPR loopFrames "${b} - ${a}")
  execute_process(COMMAND ${FFPROBE} -v error -show_entries stream_tags=LOOPSTART,LOOPLENGTH
                          -of default=noprint_wrappers=1 "${folder}/06-bucle-juego.ogg"
                  OUTPUT_VARIABLE tags RESULT_VARIABLE code)
  if(NOT code EQUAL 0 OR NOT tags STREQUAL "TAG:LOOPSTART=${a}\nTAG:LOOPLENGTH=${loopFrames}\n")
    fail("06-bucle-juego.ogg comments: " "${tags}")
  endif()
  execute_process(COMMAND ${FFMPEG} -nostdin -v error -i "${folder}/06-bucle-juego.ogg" -f f32le -
                  OUTPUT_FILE "${scratch}/ogg.f32" RESULT_VARIABLE code)
  file(SIZE "${scratch}/ogg.f32" decodedBytes)
  math(EXPR want "8 * ${b}")
  if(NOT code EQUAL 0 OR NOT decodedBytes EQUAL want)
    fail("06-bucle-juego.ogg decodes to " "${decodedBytes}" " bytes of float, want " "${want}")
  endif()
  file(STRINGS "${folder}/marcadores.txt" labels)
  list(LENGTH labels count)
  if(NOT count EQUAL 4)
    fail("marcadores.txt holds " "${labels}")
  endif()
endfunction()

foreach(required PROGRAM WORK EXPECT)
  if(NOT DEFINED ${required})
    fail("verify_program.cmake needs " "${required}")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

if(SYNTH STREQUAL "silence")
  set(SONG "${WORK}/silencio.wav")
  set(synth -f lavfi -i anullsrc=r=44100:cl=stereo -t 30)
elseif(SYNTH STREQUAL "short")
  set(SONG "${WORK}/corta.wav")
  set(synth -f lavfi -i sine=frequency=440:sample_rate=44100 -ac 2 -t 12)
endif()
if(SYNTH)
  execute_process(COMMAND ${FFMPEG} -nostdin -hide_banner -loglevel error -y ${synth} "${SONG}"
                  RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    fail("cannot make " "${SONG}")
  endif()
elseif(NOT EXISTS "${SONG}")
  # A tree built without its fixtures must not pass for one that ran them.
  fail("${SONG} has not been generated: build the native tree's demo_fixtures")
endif()
if(COPY_AS)
  file(COPY_FILE "${SONG}" "${WORK}/${COPY_AS}")
  set(SONG "${WORK}/${COPY_AS}")
endif()

set(out "${WORK}/salida")
set(report "${out}/verification.txt")
if(EXPECT STREQUAL "failure")
  # An earlier report must survive a failed run untouched.
  file(WRITE "${report}" "informe anterior")
endif()

run_verify("${PROGRAM}" "${WINE_RUN}" "${SONG}" "${out}" "${WORK}/tmp" run)

if(EXPECT STREQUAL "failure")
  if(NOT run_CODE EQUAL 1)
    fail("exit code " "${run_CODE}" ", want 1")
  endif()
  file(READ "${report}" kept)
  file(GLOB entries RELATIVE "${out}" "${out}/*")
  if(NOT kept STREQUAL "informe anterior" OR NOT entries STREQUAL "verification.txt")
    fail("a failed run changed the output folder: " "${entries}")
  endif()
  return()
endif()

if(NOT run_CODE EQUAL 0)
  fail("exit code " "${run_CODE}" ", want 0")
endif()
file(READ "${report}" reported)
to_program_path("${out}" programOut)
get_filename_component(songName "${SONG}" NAME_WLE)
string(REGEX REPLACE "([][+.*()^$?\\\\])" "\\\\\\1" programOutPattern "${programOut}")
if(NOT reported MATCHES "^${programOutPattern}[/\\\\]${songName}-[0-9]+-[0-9]+$")
  fail("verification.txt holds '" "${reported}" "'")
endif()
from_program_path("${reported}" package)
check_package("${package}")

if(COMPARE_WITH)
  run_verify("${COMPARE_WITH}" "" "${SONG}" "${WORK}/nativa" "${WORK}/tmp" native)
  if(NOT native_CODE EQUAL 0)
    fail("the native program failed on the same song")
  endif()
  file(READ "${WORK}/nativa/verification.txt" nativePackage)
  file(READ "${package}/cortes.json" ours)
  file(READ "${nativePackage}/cortes.json" theirs)
  if(NOT ours STREQUAL theirs)
    fail("cortes.json differs between the two programs:\n" "${ours}\n---\n${theirs}")
  endif()
  if(SAME_PACKAGE)
    file(GLOB ourFiles RELATIVE "${package}" "${package}/*")
    file(GLOB theirFiles RELATIVE "${nativePackage}" "${nativePackage}/*")
    if(NOT ourFiles STREQUAL theirFiles)
      fail("the packages hold different files:\n" "${ourFiles}\n---\n${theirFiles}")
    endif()
    # Each encoder's floating point may round its own way: the .ogg files
    # must agree in length and comments (checked for each above), not bytes.
    list(REMOVE_ITEM ourFiles 06-bucle-juego.ogg)
    foreach(name IN LISTS ourFiles)
      file(SHA256 "${package}/${name}" ourHash)
      file(SHA256 "${nativePackage}/${name}" theirHash)
      if(NOT ourHash STREQUAL theirHash)
        fail("${name} differs between the two programs")
      endif()
    endforeach()
  endif()
endif()
