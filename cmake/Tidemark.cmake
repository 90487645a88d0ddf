# Shared build rules: one static library per engine room, one test program per room.

function(tidemark_warnings target)
  if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow
      -Wnon-virtual-dtor -Wold-style-cast -Wcast-align -Woverloaded-virtual
      -Wswitch -Wimplicit-fallthrough)
    if(TIDEMARK_WERROR)
      target_compile_options(${target} PRIVATE -Werror)
    endif()
  endif()
endfunction()

# tidemark_engine_library(<room> [DEPS <targets...>])
# Builds every .cpp of src/<room> into the static library tidemark_<room>.
function(tidemark_engine_library room)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.h")
  add_library(tidemark_${room} STATIC ${sources} ${headers})
  target_include_directories(tidemark_${room} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(tidemark_${room} PUBLIC ${ARG_DEPS})
  tidemark_warnings(tidemark_${room})
endfunction()

# tidemark_test(<room> [DEPS <targets...>] [ENV <k=v...>] [EXCLUDE <files...>])
# Builds every .cpp of tests/<room> (but the ones excluded) into test_<room> and
# registers it with CTest.
function(tidemark_test room)
  cmake_parse_arguments(ARG "" "" "DEPS;ENV;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources "${CMAKE_CURRENT_SOURCE_DIR}/${excluded}")
  endforeach()
  if(NOT sources)
    return()
  endif()
  add_executable(test_${room} ${sources})
  target_link_libraries(test_${room} PRIVATE ${ARG_DEPS} tidemark_test_support GTest::gtest GTest::gmock GTest::gtest_main)
  tidemark_warnings(test_${room})
  add_test(NAME ${room} COMMAND test_${room} --gtest_brief=1)
  set_tests_properties(${room} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${ARG_ENV}" TIMEOUT 600)
endfunction()
