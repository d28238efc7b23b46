# The command line: usage for --help and unknown options, a named reason and status 2 for a
# disc image that cannot be used. Run with -DEXE=<wavelathe> -DWORK=<scratch folder>.
function(expect args status pattern)
  execute_process(COMMAND ${EXE} ${args} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
                  TIMEOUT 20)
  if(NOT rc STREQUAL "${status}")
    message(FATAL_ERROR "wavelathe ${args}: status ${rc}, expected ${status}\n${out}${err}")
  endif()
  if(NOT "${out}${err}" MATCHES "${pattern}")
    message(FATAL_ERROR "wavelathe ${args}: output does not match '${pattern}':\n${out}${err}")
  endif()
endfunction()

file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/garbage.cue "this is no cue sheet\n")
file(WRITE ${WORK}/orphan.cue "FILE \"elsewhere.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n")

expect("--help" 0 "usage: wavelathe")
expect("--frobnicate" 2 "unknown argument \"--frobnicate\".*usage: wavelathe")
expect("--disc" 2 "--disc needs the name of a disc image")
expect("--disc;${WORK}/missing.cue" 2 "missing.cue\" refused: the file does not exist")
expect("--disc;${WORK}/garbage.cue" 2 "garbage.cue\" refused: it is not a CD image")
expect("--disc=${WORK}/orphan.cue" 2 "orphan.cue\" refused")
expect("--disc=" 2 "--disc needs the name of a disc image")
