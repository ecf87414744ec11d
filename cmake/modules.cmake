include(CheckCXXCompilerFlag)

# velmoor_library(NAME DIRS dir... [DEPS target...]): a static library from every
# .cpp in the given folders, so adding a file never means editing a list.
function(velmoor_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources "")
  foreach(dir ${ARG_DIRS})
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    # A module with no code yet still gives dependants a target to name.
    add_library(${name} INTERFACE)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# velmoor_test(NAME DEPS target...): one GoogleTest executable from every .cpp
# in the current tests folder.
function(velmoor_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  # A test that starts one of our programs puts this in front of it: the emulator that runs the
  # cross build's programs (CMAKE_CROSSCOMPILING_EMULATOR and a blank), empty in a native build.
  set(emulator "")
  if(CMAKE_CROSSCOMPILING_EMULATOR)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
    string(APPEND emulator " ")
  endif()
  target_compile_definitions(${name} PRIVATE
    VELMOOR_EMULATOR="${emulator}"
    VELMOOR_RUN_DIR="${VELMOOR_RUN_DIR}"
    VELMOOR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
    VELMOOR_TEST_OUTPUT_DIR="${CMAKE_BINARY_DIR}/test-output")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "VELMOOR_PLATFORM=headless" ENVIRONMENT_MODIFICATION "TMPDIR=set:${VELMOOR_TEST_TMP}")
endfunction()

# velmoor_hot_rows(file...): files of the current folder whose rows were measured to move with the
# link. Every function of them starts a 64-byte line, and so does every loop head, so what the
# linker puts before them moves none of their loops against the lines the processor fetches and
# keeps its decoded instructions by (with byte-identical code such rows took up to 1.4 times as long
# after a change elsewhere in the link). The price is up to 63 bytes of no-ops before an inner loop,
# run each time it is entered, and other loop heads where the compiler would not have put them:
# applied to every file with row loops it made other rows up to 1.16 times slower, so a file takes
# it only where a measurement showed a gain (bench/README.md names them). bench/placement.sh shows
# the rows that move with the link.
check_cxx_compiler_flag("-falign-functions=64 -falign-loops=64" VELMOOR_HAS_ALIGN_64)
function(velmoor_hot_rows)
  if(NOT VELMOOR_HAS_ALIGN_64 OR NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64)$")
    return()
  endif()
  foreach(file ${ARGN})
    set_property(SOURCE ${CMAKE_CURRENT_SOURCE_DIR}/${file} APPEND PROPERTY COMPILE_OPTIONS
                 -falign-functions=64 -falign-loops=64)
  endforeach()
endfunction()
