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
