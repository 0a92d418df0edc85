# Helpers shared by every subsystem folder.
#
# A subsystem folder holds its logic sources at top level (Qt Core/Sql/SerialPort only, never Widgets,
# so a widget include in logic fails to compile) and its windows under ui/. Sources are globbed so a
# folder can grow file by file without touching this build.

set(R7716_WARNINGS -Wall -Wextra -Wno-unused-parameter)

# r7716_subsystem(<name> DEPS <project libs> QT <extra Qt modules>)
# Builds r7716_<name> from <folder>/*.cpp and, when <folder>/ui holds sources, r7716_<name>_ui.
function(r7716_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;UI_DEPS;QT" ${ARGN})
  file(GLOB logic_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB logic_h CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER logic_src EXCLUDE REGEX "/main\\.cpp$")
  set(logic r7716_${name})
  if(logic_src)
    add_library(${logic} STATIC ${logic_src} ${logic_h})
  else()
    add_library(${logic} INTERFACE)
  endif()
  get_target_property(kind ${logic} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${logic} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${logic} INTERFACE Qt6::Core Qt6::Sql Qt6::SerialPort ${ARG_DEPS})
  else()
    target_include_directories(${logic} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${logic} PUBLIC Qt6::Core Qt6::Sql Qt6::SerialPort ${ARG_DEPS} ${ARG_QT})
    target_compile_options(${logic} PRIVATE ${R7716_WARNINGS})
  endif()

  file(GLOB ui_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
  file(GLOB ui_extra CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.h ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.qrc)
  # The _ui library always exists (an empty interface while the folder has no windows yet), so
  # dependents can name it before the windows are written.
  if(ui_src)
    add_library(${logic}_ui STATIC ${ui_src} ${ui_extra})
    target_link_libraries(${logic}_ui PUBLIC ${logic} Qt6::Widgets Qt6::PrintSupport Qt6::Charts ${ARG_UI_DEPS})
    target_compile_options(${logic}_ui PRIVATE ${R7716_WARNINGS})
    set_target_properties(${logic}_ui PROPERTIES AUTORCC ON)
  else()
    add_library(${logic}_ui INTERFACE)
    target_link_libraries(${logic}_ui INTERFACE ${logic} Qt6::Widgets Qt6::PrintSupport Qt6::Charts ${ARG_UI_DEPS})
  endif()
endfunction()

# r7716_test(<folder>): tests/<folder>/*.cpp -> test_<folder> (label unit, no display) and
# tests/<folder>/ui/*.cpp -> test_<folder>_ui (label ui, run under xvfb-run -a).
function(r7716_test folder)
  cmake_parse_arguments(ARG "" "" "DEPS;UI_DEPS" ${ARGN})
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(src)
    add_executable(test_${folder} ${src})
    target_link_libraries(test_${folder} PRIVATE r7716_test_support ${ARG_DEPS} GTest::gtest_main)
    gtest_discover_tests(test_${folder} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS unit)
  endif()
  file(GLOB ui_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/ui/*.cpp)
  if(ui_src)
    add_executable(test_${folder}_ui ${ui_src})
    target_link_libraries(test_${folder}_ui PRIVATE r7716_test_support_ui ${ARG_UI_DEPS} GTest::gtest)
    gtest_discover_tests(test_${folder}_ui DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ui)
  endif()
endfunction()
