# One static library per subsystem folder. Sources are picked up by glob so
# that a new module needs no edit here; Qt code in qt/ subfolders is left out.
function(veldrim_library name folder)
  # Subfolders by concern belong to the same library; qt/ folders do not.
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(FILTER _src EXCLUDE REGEX "/qt/")
  if(_src)
    add_library(${name} STATIC ${_src})
    target_include_directories(${name} PUBLIC ${VELDRIM_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARGN})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${VELDRIM_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARGN})
  endif()
endfunction()

# One GoogleTest program per subsystem; built only when the folder has tests.
function(veldrim_tests name folder)
  file(GLOB_RECURSE _src CONFIGURE_DEPENDS ${folder}/*.cpp)
  list(FILTER _src EXCLUDE REGEX "/qt/")
  if(NOT _src)
    return()
  endif()
  # Every test runs in a folder of its own (tests/support/test_main.cpp).
  add_executable(${name} ${_src} ${VELDRIM_SOURCE_DIR}/tests/support/test_main.cpp)
  target_link_libraries(${name} PRIVATE ${ARGN} veldrim_test_support GTest::gtest GTest::gmock)
  target_include_directories(${name} PRIVATE ${VELDRIM_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    VELDRIM_DATA_DIR="${VELDRIM_DATA_DIR}"
    VELDRIM_TEST_DIR="${VELDRIM_SOURCE_DIR}/tests")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 NO_PRETTY_VALUES PROPERTIES ENVIRONMENT "VELDRIM_DATA=${VELDRIM_DATA_DIR}")
endfunction()
