# The tests, built with -DPLUMBRIX_TESTS=ON and run by ./test.sh through CTest.
find_package(GTest CONFIG REQUIRED)
include(GoogleTest)
set(tests ${PROJECT_SOURCE_DIR}/tests)

# The rules keep away from GL, so they build and test without a display.
add_test(NAME game_includes_no_gl
  COMMAND sh -c "! grep -rnE '#include *<(GL/|glut)' game"
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR})

file(GLOB PLUMBRIX_UNIT_TESTS CONFIGURE_DEPENDS ${tests}/unit/*.cpp)
add_executable(unit_tests ${PLUMBRIX_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE plumbrix_game plumbrix_warnings GTest::gtest_main)
# Tests are listed when CTest starts; a slow or emulated machine may take a
# while over it, and one failed listing would stop the whole run.
set(discovery DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 600)
gtest_discover_tests(unit_tests ${discovery} PROPERTIES LABELS unit)

# The same tests again on a sanitized copy of the rules, in the same run,
# where AddressSanitizer can work (not under a user-mode emulator, say).
option(PLUMBRIX_SANITIZED_TESTS "Run the unit tests under the sanitizers too" ON)
if(PLUMBRIX_SANITIZE)
  plumbrix_sanitize(unit_tests)
elseif(PLUMBRIX_SANITIZED_TESTS)
  add_library(plumbrix_game_sanitized STATIC ${PLUMBRIX_GAME_SOURCES})
  target_include_directories(plumbrix_game_sanitized PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(plumbrix_game_sanitized PRIVATE plumbrix_warnings)
  plumbrix_sanitize(plumbrix_game_sanitized)

  add_executable(unit_tests_sanitized ${PLUMBRIX_UNIT_TESTS})
  target_link_libraries(unit_tests_sanitized PRIVATE plumbrix_game_sanitized plumbrix_warnings GTest::gtest_main)
  plumbrix_sanitize(unit_tests_sanitized)
  gtest_discover_tests(unit_tests_sanitized TEST_PREFIX "sanitized." ${discovery} PROPERTIES LABELS unit)
endif()

# Window tests: the real frame in this process's own window, and the real game
# binary driven with xdotool, its piece generator seeded through a preloaded
# clock. They need $DISPLAY and share the screen, so they run one at a time.
add_library(plumbrix_fixed_time SHARED ${tests}/window/fixed_time.cpp)
add_executable(window_tests ${tests}/window/window_test.cpp)
target_link_libraries(window_tests PRIVATE plumbrix_view plumbrix_warnings GTest::gtest_main X11::X11 PNG::PNG)
target_compile_definitions(window_tests PRIVATE
  PLUMBRIX_GAME="LD_PRELOAD=$<TARGET_FILE:plumbrix_fixed_time> $<TARGET_FILE:plumbrix>"
  PLUMBRIX_ICONS="${PROJECT_SOURCE_DIR}/data/icons/hicolor")
add_dependencies(window_tests plumbrix plumbrix_fixed_time)
if(PLUMBRIX_SANITIZE)
  plumbrix_sanitize(window_tests)
endif()
# The game writes its score.dat where the tests run: a folder of their own.
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/window-tests)
gtest_discover_tests(window_tests ${discovery} WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/window-tests
  PROPERTIES LABELS display RESOURCE_LOCK display TIMEOUT 900
  ENVIRONMENT "ASAN_OPTIONS=detect_leaks=0:verify_asan_link_order=0")

# The Debian package: test.sh builds it into build-deb/ with
# `cmake --workflow --preset deb` before CTest runs, and this looks into it.
add_test(NAME package COMMAND sh ${tests}/package/check.sh ${PROJECT_SOURCE_DIR}/build-deb/plumbrix_${PROJECT_VERSION})
# Lintian alone takes minutes on an emulated machine.
set_tests_properties(package PROPERTIES LABELS package TIMEOUT 1800)
