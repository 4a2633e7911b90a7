# Helpers that keep every folder's CMakeLists.txt short and alike.

# sablewick_library(<folder> SOURCES ... [PUBLIC_LIBS ...] [PRIVATE_LIBS ...])
# Makes the static library sablewick_<folder>; its headers are included as "<folder>/Name.h".
function(sablewick_library folder)
  cmake_parse_arguments(L "" "" "SOURCES;PUBLIC_LIBS;PRIVATE_LIBS" ${ARGN})
  set(target sablewick_${folder})
  add_library(${target} STATIC ${L_SOURCES})
  sablewick_unity(${target} ${L_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${target} PUBLIC ${L_PUBLIC_LIBS} PRIVATE ${L_PRIVATE_LIBS})
  sablewick_warnings(${target})
endfunction()

# sablewick_unity(<target> <sources>...): batches the target's sources when SABLEWICK_UNITY_BUILD
# is on. Xlib's and XCB's headers define macros (Status, None, Bool, Window…) that break the Qt
# headers of any file after them in a batch, so the files that include them compile alone.
function(sablewick_unity target)
  if(NOT SABLEWICK_UNITY_BUILD)
    return()
  endif()
  set_target_properties(${target} PROPERTIES UNITY_BUILD ON UNITY_BUILD_BATCH_SIZE 8)
  get_target_property(dir ${target} SOURCE_DIR)
  foreach(source IN LISTS ARGN)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir} OUTPUT_VARIABLE file)
    if(file MATCHES "\\.cpp$" AND EXISTS ${file})
      file(STRINGS ${file} alone REGEX "^#include <(X11|xcb)/")
      if(alone)
        set_source_files_properties(${source} DIRECTORY ${dir} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
      endif()
    endif()
  endforeach()
endfunction()

# Every target of ours goes through here: it also takes its shared precompiled header, compiled
# with the same options (-Wpedantic changes what the compiler predefines).
set(SABLEWICK_WARNING_OPTIONS -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
function(sablewick_warnings target)
  target_compile_options(${target} PRIVATE ${SABLEWICK_WARNING_OPTIONS})
  sablewick_record_target(${target})
endfunction()

# sablewick_test(<name> KIND unit|gui|x11|media AREA <folder> [WAYLAND] [OWN_X_SERVER] SOURCES ... [LIBS ...] [TIMEOUT s])
# Every test carries two labels: its kind and its folder, so `ctest -L rendering` runs one area.
# WAYLAND tests need the headless Wayland desktop of the test command and carry a third label,
# wayland; they take turns on that one desktop.
# unit and media tests get a QCoreApplication, gui and x11 tests a QApplication (offscreen unless a
# platform is set; x11 tests ask for xcb on the private Xvfb). An x11 test marked OWN_X_SERVER
# changes the X screen itself: each run of the program starts an Xvfb of its own, so it neither
# takes turns with the other x11 tests nor shows them its changes.
function(sablewick_test name)
  cmake_parse_arguments(T "WAYLAND;OWN_X_SERVER" "KIND;AREA;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_KIND MATCHES "^(unit|gui|x11|media)$")
    message(FATAL_ERROR "sablewick_test(${name}): KIND must be unit, gui, x11 or media")
  endif()
  if(NOT T_AREA)
    message(FATAL_ERROR "sablewick_test(${name}): AREA is required")
  endif()
  if(T_OWN_X_SERVER AND NOT T_KIND STREQUAL "x11")
    message(FATAL_ERROR "sablewick_test(${name}): OWN_X_SERVER is for x11 tests")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  # Sanitized programs run several times slower; a test is still stopped when it hangs.
  if(SABLEWICK_SANITIZE)
    math(EXPR T_TIMEOUT "${T_TIMEOUT} * 3")
  endif()
  add_executable(${name} ${T_SOURCES})
  sablewick_unity(${name} ${T_SOURCES})
  set_property(GLOBAL APPEND PROPERTY SABLEWICK_TEST_PROGRAMS ${name})
  if(T_WAYLAND)
    target_link_libraries(${name} PRIVATE sablewick_test_main_wayland)
  elseif(T_OWN_X_SERVER)
    target_link_libraries(${name} PRIVATE sablewick_test_main_own_x11)
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
  if(T_KIND STREQUAL "x11" AND NOT T_OWN_X_SERVER)
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

# Precompiled headers. The standard library, Qt and GoogleTest make up most of what every source
# file compiles; each is compiled once per tree into a few shared headers, one for each level of Qt
# a target reaches (Core, Gui, Widgets), with GoogleTest for the test programs. A target reuses
# the one of its level, so its flags match the ones the header was compiled with; GCC warns
# (-Winvalid-pch) and reads the headers normally when they do not.
set(SABLEWICK_PCH_STD
  <algorithm> <array> <atomic> <chrono> <cmath> <condition_variable> <cstdint> <cstring>
  <functional> <limits> <map> <memory> <mutex> <optional> <set> <span> <stdexcept> <string>
  <string_view> <thread> <utility> <vector>)
set(SABLEWICK_PCH_CORE
  <QByteArray> <QCoreApplication> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QHash> <QList>
  <QObject> <QPointF> <QPointer> <QProcess> <QRectF> <QSize> <QSizeF> <QString> <QStringList>
  <QTemporaryDir> <QThread> <QTimer> <QUrl> <QUuid> <QVariant>)
set(SABLEWICK_PCH_GUI <QColor> <QGuiApplication> <QImage> <QPainter> <QPainterPath>)
set(SABLEWICK_PCH_WIDGETS <QApplication> <QHBoxLayout> <QLineEdit> <QMenu> <QVBoxLayout> <QWidget>)
set(SABLEWICK_PCH_TEST <gtest/gtest.h> <gmock/gmock.h>)

# sablewick_record_target(<target>): records a target of ours for sablewick_finish_targets.
function(sablewick_record_target target)
  set_property(GLOBAL APPEND PROPERTY SABLEWICK_TARGETS ${target})
endfunction()

# The Qt level (Core, Gui, Widgets or nothing) and whether GoogleTest is linked, over everything
# the target links, directly or through the libraries it links.
function(sablewick_link_level target out_level out_test)
  set(pending ${target})
  set(seen "")
  set(level "")
  set(test OFF)
  while(pending)
    list(POP_FRONT pending item)
    string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" item "${item}")
    if(item IN_LIST seen OR NOT TARGET ${item})
      continue()
    endif()
    list(APPEND seen ${item})
    if(item STREQUAL "Qt6::Widgets")
      set(level Widgets)
    elseif(item STREQUAL "Qt6::Gui" AND NOT level STREQUAL "Widgets")
      set(level Gui)
    elseif(item STREQUAL "Qt6::Core" AND NOT level)
      set(level Core)
    elseif(item MATCHES "^GTest::")
      set(test ON)
    endif()
    get_target_property(type ${item} TYPE)
    set(links "")
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(own ${item} LINK_LIBRARIES)
      if(own)
        list(APPEND links ${own})
      endif()
    endif()
    get_target_property(interface ${item} INTERFACE_LINK_LIBRARIES)
    if(interface)
      list(APPEND links ${interface})
    endif()
    list(APPEND pending ${links})
  endwhile()
  set(${out_level} "${level}" PARENT_SCOPE)
  set(${out_test} ${test} PARENT_SCOPE)
endfunction()

# Whether a target has anything for moc: a class with Q_OBJECT or Q_GADGET in its sources or in
# the headers beside them that share their names (the ones AUTOMOC reads).
function(sablewick_needs_moc target out)
  get_target_property(sources ${target} SOURCES)
  get_target_property(dir ${target} SOURCE_DIR)
  set(files "")
  foreach(source IN LISTS sources)
    if(source MATCHES "^\\$<")
      set(${out} ON PARENT_SCOPE)
      return()
    endif()
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir})
    list(APPEND files ${source})
    cmake_path(REPLACE_EXTENSION source ".h" OUTPUT_VARIABLE header)
    list(APPEND files ${header})
  endforeach()
  foreach(file IN LISTS files)
    if(EXISTS ${file})
      file(STRINGS ${file} hits REGEX "Q_(OBJECT|GADGET|NAMESPACE|PLUGIN_METADATA)")
      if(hits)
        set(${out} ON PARENT_SCOPE)
        return()
      endif()
    endif()
  endforeach()
  set(${out} OFF PARENT_SCOPE)
endfunction()

# Run once every folder has been read: makes the shared headers the recorded targets need and
# points each target at its own. Targets without anything for moc leave AUTOMOC's step out (it
# runs the compiler once per target to learn its macros).
function(sablewick_finish_targets)
  # sablewick_tests builds every test program with what it runs and leaves out the rest: the
  # benchmarks and the programs no test starts (the sanitized tree builds only this).
  get_property(programs GLOBAL PROPERTY SABLEWICK_TEST_PROGRAMS)
  if(programs)
    add_custom_target(sablewick_tests)
    add_dependencies(sablewick_tests ${programs})
    foreach(assets IN ITEMS sablewick_backgrounds sablewick_music)
      if(TARGET ${assets})
        add_dependencies(sablewick_tests ${assets})
      endif()
    endforeach()
  endif()
  get_property(targets GLOBAL PROPERTY SABLEWICK_TARGETS)
  foreach(target IN LISTS targets)
    sablewick_needs_moc(${target} moc)
    set_property(TARGET ${target} PROPERTY AUTOMOC ${moc})
    if(NOT SABLEWICK_PRECOMPILE_HEADERS)
      continue()
    endif()
    sablewick_link_level(${target} level test)
    if(NOT level)
      continue()
    endif()
    set(donor sablewick_pch_${level})
    if(test)
      string(APPEND donor _test)
    endif()
    if(NOT TARGET ${donor})
      set(headers ${SABLEWICK_PCH_STD} ${SABLEWICK_PCH_CORE})
      set(libs Qt6::Core)
      if(level MATCHES "^(Gui|Widgets)$")
        list(APPEND headers ${SABLEWICK_PCH_GUI})
        set(libs Qt6::Gui)
      endif()
      if(level STREQUAL "Widgets")
        list(APPEND headers ${SABLEWICK_PCH_WIDGETS})
        set(libs Qt6::Widgets)
      endif()
      if(test)
        list(APPEND headers ${SABLEWICK_PCH_TEST})
        list(APPEND libs GTest::gmock)
      endif()
      set(source ${PROJECT_BINARY_DIR}/pch/${donor}.cpp)
      file(CONFIGURE OUTPUT ${source} CONTENT "// Compiles the precompiled header ${donor}.\n")
      add_library(${donor} OBJECT ${source})
      target_link_libraries(${donor} PRIVATE ${libs})
      target_compile_options(${donor} PRIVATE ${SABLEWICK_WARNING_OPTIONS})
      target_compile_definitions(${donor} PRIVATE _REENTRANT)
      target_precompile_headers(${donor} PRIVATE ${headers})
      set_target_properties(${donor} PROPERTIES AUTOMOC OFF)
    endif()
    set_property(TARGET ${target} PROPERTY PRECOMPILE_HEADERS_REUSE_FROM ${donor})
    # PulseAudio and PipeWire ask for _REENTRANT (which glibc no longer reads); a header compiled
    # without it is refused by a target that has it, so every target has it.
    target_compile_definitions(${target} PRIVATE _REENTRANT)
  endforeach()
endfunction()
