# Small helpers so that each folder's CMakeLists.txt stays a few lines long.
#
#   qv_add_subdirs(dir...)                 add each dir; a dir without a CMakeLists.txt
#                                          stops the configuration with an error naming it
#   qv_library(name DEPS lib...)           static library of the folder's *.cc (tests excluded)
#   qv_test(name DEPS lib... [LABELS l...] [SERIAL])
#                                          one GoogleTest executable of the folder's *_test.cc,
#                                          each test case registered with CTest
#   qv_benchmark(name DEPS lib...)         one Google Benchmark executable of the folder's *_bench.cc
#   qv_fuzzer(name SOURCE file DEPS lib...)
#                                          a libFuzzer target when QV_FUZZ is on; otherwise the same
#                                          entry point linked with a replay driver and run as a test
#                                          over the seeds of fuzz/corpus/<name> (when present)

function(qv_add_subdirs)
  foreach(dir ${ARGN})
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
      message(FATAL_ERROR "qv_add_subdirs: source folder '${rel}' has no CMakeLists.txt")
    endif()
    add_subdirectory(${dir})
  endforeach()
endfunction()

function(qv_library name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  list(FILTER srcs EXCLUDE REGEX "_(test|bench|fuzz)\\.cc$")
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PUBLIC ${A_DEPS} Threads::Threads)
endfunction()

function(qv_test name)
  cmake_parse_arguments(A "SERIAL" "" "DEPS;LABELS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gmock GTest::gtest_main Threads::Threads)
  # Label by layer (runtime, framework, app, tools) from the folder under tests/.
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  string(REGEX MATCH "^[^/]+" layer "${rel}")
  set(props LABELS "${layer};${A_LABELS}")
  if(A_SERIAL)
    list(APPEND props RUN_SERIAL TRUE)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 120
    PROPERTIES ${props} TIMEOUT 600
                ENVIRONMENT "QT_QPA_PLATFORM=offscreen:configfile=${PROJECT_SOURCE_DIR}/tests/offscreen_screen.json;QV_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()

function(qv_benchmark name)
  cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cc)
  add_executable(${name} ${srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_DEPS} benchmark::benchmark Threads::Threads)
  target_compile_definitions(${name} PRIVATE QV_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()

function(qv_fuzzer name)
  cmake_parse_arguments(A "" "SOURCE" "DEPS" ${ARGN})
  if(QV_FUZZ)
    add_executable(${name} ${A_SOURCE})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(${name} ${A_SOURCE} ${PROJECT_SOURCE_DIR}/fuzz/replay_main.cc)
    set(seeds)
    if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
      set(seeds ${PROJECT_SOURCE_DIR}/fuzz/corpus/${name})
    endif()
    add_test(NAME ${name}.replay COMMAND ${name} 20000 ${seeds})
    set_tests_properties(${name}.replay PROPERTIES LABELS "fuzz" TIMEOUT 300)
  endif()
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${A_DEPS})
  set_property(GLOBAL APPEND PROPERTY QV_FUZZERS ${name})
endfunction()
