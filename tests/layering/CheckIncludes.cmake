# Fails when a file of the program includes anything but the standard library, the few POSIX
# headers listed below, a port ("platform/...") or one of the program's own files; and when
# its folders include upwards: app/ includes no other folder, nothing includes window/ (the
# dispatch above them all), and no folder reaches itself again through others.
#   cmake -DPROGRAM_DIR=<src/program> -DPORTS_DIR=<src/platform> -P CheckIncludes.cmake
cmake_minimum_required(VERSION 3.25)

set(cxx_headers
  algorithm any array atomic barrier bit bitset charconv chrono codecvt compare complex concepts
  condition_variable coroutine deque exception execution expected filesystem format forward_list
  fstream functional future initializer_list iomanip ios iosfwd iostream istream iterator latch
  limits list locale map memory memory_resource mutex new numbers numeric optional ostream queue
  random ranges ratio regex scoped_allocator semaphore set shared_mutex source_location span
  sstream stack stdexcept stop_token streambuf string string_view syncstream system_error thread
  tuple type_traits typeindex typeinfo unordered_map unordered_set utility valarray variant
  vector version
  cassert cctype cerrno cfenv cfloat cinttypes climits clocale cmath csetjmp csignal cstdarg
  cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype
  assert.h ctype.h errno.h float.h inttypes.h limits.h locale.h math.h setjmp.h signal.h
  stdarg.h stddef.h stdint.h stdio.h stdlib.h string.h time.h uchar.h wchar.h wctype.h)
# POSIX calls the program makes directly (file status, offsets, fseeko).
set(posix_headers sys/stat.h sys/types.h unistd.h)

if(NOT PROGRAM_DIR OR NOT PORTS_DIR)
  message(FATAL_ERROR "PROGRAM_DIR and PORTS_DIR are required")
endif()
file(REAL_PATH "${PROGRAM_DIR}" program)
file(GLOB_RECURSE sources LIST_DIRECTORIES false "${program}/*.h" "${program}/*.hpp" "${program}/*.cpp"
     "${program}/*.cc" "${program}/*.inc")
if(NOT sources)
  message(FATAL_ERROR "no program sources under ${program}")
endif()

set(bad "")
set(checked 0)
set(edges "")
set(folders "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include")
  get_filename_component(here "${source}" DIRECTORY)
  file(RELATIVE_PATH shown "${program}" "${source}")
  foreach(line IN LISTS lines)
    math(EXPR checked "${checked} + 1")
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
      list(APPEND bad "${shown}: ${line} (not a plain include)")
      continue()
    endif()
    set(kind "${CMAKE_MATCH_1}")
    set(name "${CMAKE_MATCH_2}")
    if(kind STREQUAL "<" AND (name IN_LIST cxx_headers OR name IN_LIST posix_headers))
      continue()
    endif()
    if(kind STREQUAL "\"")
      if(name MATCHES "^platform/([^/]+)$")
        if(EXISTS "${PORTS_DIR}/${CMAKE_MATCH_1}")
          continue()
        endif()
      endif()
      # The program's own files, beside the includer or from the program's root; resolved so
      # that "../" cannot climb out of it.
      foreach(base "${here}" "${program}")
        if(EXISTS "${base}/${name}")
          file(REAL_PATH "${base}/${name}" target)
          string(FIND "${target}" "${program}/" at)
          if(at EQUAL 0)
            file(RELATIVE_PATH to "${program}" "${target}")
            string(REGEX REPLACE "/.*" "" to "${to}")
            string(REGEX REPLACE "/.*" "" from "${shown}")
            if(NOT from STREQUAL to AND NOT "${from}>${to}" IN_LIST edges)
              list(APPEND edges "${from}>${to}")
              list(APPEND folders ${from} ${to})
            endif()
            set(name "")
            break()
          endif()
        endif()
      endforeach()
      if(name STREQUAL "")
        continue()
      endif()
    endif()
    list(APPEND bad "${shown}: ${line}")
  endforeach()
endforeach()

# Folder layers: each edge is "includer>included".
foreach(edge IN LISTS edges)
  string(REPLACE ">" ";" pair "${edge}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  if(from STREQUAL "app")
    list(APPEND bad "app/ includes ${to}/: app/ holds the state and helpers and includes no subsystem")
  endif()
  if(to STREQUAL "window")
    list(APPEND bad "${from}/ includes window/: the dispatch sits above every folder")
  endif()
endforeach()
list(REMOVE_DUPLICATES folders)
foreach(start IN LISTS folders)
  # Everything start reaches; reaching itself is a cycle.
  set(reached "")
  set(frontier "${start}")
  while(frontier)
    list(POP_FRONT frontier at)
    foreach(edge IN LISTS edges)
      if(edge MATCHES "^${at}>(.+)$" AND NOT CMAKE_MATCH_1 IN_LIST reached)
        list(APPEND reached ${CMAKE_MATCH_1})
        list(APPEND frontier ${CMAKE_MATCH_1})
      endif()
    endforeach()
  endwhile()
  if(start IN_LIST reached)
    list(APPEND bad "${start}/ includes itself again through other folders")
  endif()
endforeach()

if(bad)
  list(JOIN bad "\n  " text)
  message(FATAL_ERROR "The program may include only the standard library, ports and its own files:\n  ${text}")
endif()
list(LENGTH sources files)
message(STATUS "${checked} includes in ${files} program files: standard library, ports and the program's own")
