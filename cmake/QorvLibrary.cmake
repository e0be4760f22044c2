# qorv_select_os_sources(<list variable>)
# Keeps the sources of the system being built for: a file ending in
# _posix.cc is the POSIX side of a platform facility, _win32.cc its Windows
# side; the other files serve both. Likewise _openssl.cc is the SSL channel
# on OpenSSL and _nossl.cc its stand-in where OpenSSL is not found.
function(qorv_select_os_sources var)
  set(sources ${${var}})
  if(WIN32)
    list(FILTER sources EXCLUDE REGEX "_posix\\.cc$")
  else()
    list(FILTER sources EXCLUDE REGEX "_win32\\.cc$")
  endif()
  if(OpenSSL_FOUND)
    list(FILTER sources EXCLUDE REGEX "_nossl\\.cc$")
  else()
    list(FILTER sources EXCLUDE REGEX "_openssl\\.cc$")
  endif()
  set(${var} ${sources} PARENT_SCOPE)
endfunction()

# qorv_library(<name> [DEPS <targets>...])
# Builds the static library of the current source directory from every *.cc
# in it except the *_main.cc files of programs. A layer with no sources yet
# becomes an interface library so that the layers above can already name it.
# A library of a layer may link only the layers it may use
# (cmake/QorvLayers.cmake).
function(qorv_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  qorv_check_layer_deps(${name} ${ARG_DEPS})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  # A program's main() lives in <program>_main.cc beside its library.
  list(FILTER sources EXCLUDE REGEX "_main\\.cc$")
  qorv_select_os_sources(sources)
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE qorv_warnings)
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# qorv_test(<name> [DEPS <targets>...])
# One GoogleTest executable per test directory, from every *_test.cc in it.
# Its tests carry the label `threads` when <name> is in QORV_THREADED_TESTS.
function(qorv_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gmock GTest::gtest_main qorv_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  set(properties TIMEOUT 300)
  if(name IN_LIST QORV_THREADED_TESTS)
    list(APPEND properties LABELS threads)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ${properties})
endfunction()
