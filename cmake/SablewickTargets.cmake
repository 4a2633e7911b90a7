# Helpers that keep every folder's CMakeLists.txt short and alike.

# sablewick_library(<folder> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Makes the static library sablewick_<folder>; its headers are included as "<folder>/Name.h".
function(sablewick_library folder)
  cmake_parse_arguments(L "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  set(target sablewick_${folder})
  add_library(${target} STATIC ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_PRIVATE_LIBS})
  sablewick_warnings(${target})
endfunction()

function(sablewick_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
endfunction()

# sablewick_test(<name> KIND unit|gui|x11|media AREA <folder> [WAYLAND] SOURCES ... [LIBS ...] [TIMEOUT s])
# Every test carries two labels: its kind and its folder, so `ctest -L rendering` runs one area.
# WAYLAND tests need the headless Wayland desktop of the test command and carry a third label,
# wayland; they take turns on that one desktop.
# unit and media tests get a QCoreApplication, gui and x11 tests a QApplication (offscreen unless a
# platform is set; x11 tests ask for xcb on the private Xvfb).
function(sablewick_test name)
  cmake_parse_arguments(T "WAYLAND" "KIND;AREA;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_KIND MATCHES "^(unit|gui|x11|media)$")
    message(FATAL_ERROR "sablewick_test(${name}): KIND must be unit, gui, x11 or media")
  endif()
  if(NOT T_AREA)
    message(FATAL_ERROR "sablewick_test(${name}): AREA is required")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # Sanitized programs run several times slower; a test is still stopped when it hangs.
  if(SABLEWICK_SANITIZE)
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
  endif()
  add_executable(${name} ${T_SOURCES})
  if(T_WAYLAND)
    target_link_libraries(${name} PRIVATE sablewick_test_main_wayland)
  elseif(T_KIND STREQUAL "x11")
    target_link_libraries(${name} PRIVATE sablewick_test_main_x11)
  elseif(T_KIND STREQUAL "gui")
    target_link_libraries(${name} PRIVATE sablewick_test_main_gui)
  else()
    target_link_libraries(${name} PRIVATE sablewick_test_main_core)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock)
  sablewick_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    TEST_LIST ${name}_TESTS
    PROPERTIES TIMEOUT ${T_TIMEOUT})
  # gtest_discover_tests flattens a list-valued property, so the two labels are set by a script
  # that ctest reads after the discovered tests.
  # x11 tests share one X server, its pointer and its keyboard focus: they take turns.
  set(extra_properties "")
  set(labels "${T_KIND};${T_AREA}")
  if(T_KIND STREQUAL "x11")
    set(extra_properties " RESOURCE_LOCK x11_input")
  endif()
  if(T_WAYLAND)
    set(extra_properties " RESOURCE_LOCK wayland_session")
    string(APPEND labels ";wayland")
  endif()
  set(labels_script ${CMAKE_CURRENT_BINARY_DIR}/${name}_labels.cmake)
  file(WRITE ${labels_script}
    "if(DEFINED ${name}_TESTS)\n"
    "  set_tests_properties(\${${name}_TESTS} PROPERTIES LABELS \"${labels}\"${extra_properties})\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${labels_script})
endfunction()
