# Test helpers. Natively GoogleTest comes from Debian's packages; the cross
# build compiles it from /usr/src/googletest with the mingw toolchain.
if(KORVAN_PLATFORM STREQUAL "windows")
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
else()
  find_package(GTest REQUIRED)
endif()
include(GoogleTest)

# korvan_add_test(name SOURCES ... LIBS ... [LABELS ...] [RESOURCE_LOCK lock])
# Natively every test case becomes its own CTest test; under Wine a whole
# program is one test, since listing the cases would start Wine once more.
function(korvan_add_test name)
  cmake_parse_arguments(T "" "RESOURCE_LOCK" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        korvan_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  if(KORVAN_PLATFORM STREQUAL "windows")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS "windows;${T_LABELS}")
    if(T_RESOURCE_LOCK)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK ${T_RESOURCE_LOCK})
    endif()
  else()
    set(extra)
    if(T_RESOURCE_LOCK)
      set(extra RESOURCE_LOCK ${T_RESOURCE_LOCK})
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS "${T_LABELS}" ${extra})
  endif()
endfunction()
