# Helpers shared by every subsystem folder.
#
# A subsystem folder holds its logic sources at top level (Qt Core/Sql/SerialPort only, never Widgets,
# so a widget include in logic fails to compile) and its windows under ui/. Sources are globbed so a
# folder can grow file by file without touching this build.

set(R7716_WARNINGS -Wall -Wextra -Wno-unused-parameter)

# r7716_check_includes(<target> SOURCES <files> OWN <folders> DEPS <libraries> [INHERITED <libraries>])
#
# The include path is the whole tree, so the compiler lets any file include any folder's header. This
# check keeps the declared dependencies true instead: a source that includes "<folder>/..." of a folder
# other than OWN fails the configuration unless one of DEPS is that folder's library r7716_<folder>; a
# header of a part in a subfolder ("<folder>/ui/...", "<folder>/pty/...") needs the part's library
# r7716_<folder>_<part>, which also covers <folder>. A header-only library that lists its headers in the
# property R7716_HEADERS covers those headers alone. A listed project library of which nothing is
# included is reported as a warning. INHERITED libraries come with another one (the windows get the
# logic's): they count for the includes but are not reported.
function(r7716_check_includes target)
  cmake_parse_arguments(ARG "" "" "SOURCES;OWN;DEPS;INHERITED" ${ARGN})
  set(covered ${ARG_OWN})
  set(project_deps "")
  foreach(dep IN LISTS ARG_DEPS ARG_INHERITED)
    set(headers NOTFOUND)
    if(TARGET ${dep})
      get_target_property(headers ${dep} R7716_HEADERS)
    endif()
    if(headers)
      list(APPEND covered ${headers})
    elseif(dep MATCHES "^r7716_test_support")
      list(APPEND covered support support/ui)
      continue()
    elseif(dep MATCHES "^r7716_([a-z]+)(_([a-z]+))?$")
      list(APPEND covered ${CMAKE_MATCH_1})
      if(CMAKE_MATCH_3)
        list(APPEND covered ${CMAKE_MATCH_1}/${CMAKE_MATCH_3})
      endif()
    else()
      continue()
    endif()
    if(NOT dep IN_LIST ARG_INHERITED)
      list(APPEND project_deps ${dep})
    endif()
  endforeach()

  set(used "")
  foreach(file IN LISTS ARG_SOURCES)
    file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[a-z]+/")
    foreach(line IN LISTS lines)
      string(REGEX MATCH "\"(([a-z]+)/(([a-z]+)/)?[^\"]*)\"" _ "${line}")
      set(header ${CMAKE_MATCH_1})
      set(folder ${CMAKE_MATCH_2})
      if(CMAKE_MATCH_4)
        set(folder ${folder}/${CMAKE_MATCH_4})
      endif()
      list(APPEND used ${folder} ${header})
      if(NOT folder IN_LIST covered AND NOT header IN_LIST covered)
        file(RELATIVE_PATH shown ${CMAKE_SOURCE_DIR} ${file})
        message(FATAL_ERROR "${shown} includes \"${header}\", but ${target} does not link the library of "
                            "${folder}/. Add it to the folder's DEPS (UI_DEPS for windows), or drop the "
                            "include.")
      endif()
    endforeach()
  endforeach()

  foreach(dep IN LISTS project_deps)
    get_target_property(hits ${dep} R7716_HEADERS)
    if(NOT hits)
      string(REGEX MATCH "^r7716_([a-z]+)(_([a-z]+))?$" _ ${dep})
      set(hits ${CMAKE_MATCH_1} ${CMAKE_MATCH_1}/${CMAKE_MATCH_3})
    endif()
    set(hit FALSE)
    foreach(h IN LISTS hits)
      if(h IN_LIST used)
        set(hit TRUE)
      endif()
    endforeach()
    if(NOT hit)
      message(WARNING "${target} links ${dep}, but none of its sources includes anything of it.")
    endif()
  endforeach()
endfunction()

# r7716_subsystem(<name> DEPS <project libs> UI_DEPS <project libs> QT <extra Qt modules>)
# Builds r7716_<name> from <folder>/*.cpp and, when <folder>/ui holds sources, r7716_<name>_ui. DEPS are
# what the logic includes, UI_DEPS what the windows include beyond that. The logic links Qt Core and the
# Qt modules in QT only (Sql for store/, SerialPort for link/): a library's users get what it uses through
# it, and a program that needs neither a database nor a serial port links neither. Folders are added in dependency
# order, so a library named here must exist already: that keeps the folders free of cycles.
function(r7716_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPS;UI_DEPS;QT" ${ARGN})
  foreach(dep IN LISTS ARG_DEPS ARG_UI_DEPS)
    if(dep MATCHES "^r7716_" AND NOT TARGET ${dep})
      message(FATAL_ERROR "${name} links ${dep}, which is not defined yet: a folder links only folders added "
                          "before it (see the top CMakeLists.txt).")
    endif()
  endforeach()

  file(GLOB logic_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB logic_h CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  list(FILTER logic_src EXCLUDE REGEX "/main\\.cpp$")
  set(logic r7716_${name})
  if(logic_src)
    add_library(${logic} STATIC ${logic_src} ${logic_h})
    target_include_directories(${logic} PUBLIC ${CMAKE_SOURCE_DIR})
    target_link_libraries(${logic} PUBLIC Qt6::Core ${ARG_DEPS} ${ARG_QT})
    target_compile_options(${logic} PRIVATE ${R7716_WARNINGS})
    r7716_check_includes(${logic} SOURCES ${logic_src} ${logic_h} OWN ${name} DEPS ${ARG_DEPS})
  else()
    add_library(${logic} INTERFACE)
    target_include_directories(${logic} INTERFACE ${CMAKE_SOURCE_DIR})
    target_link_libraries(${logic} INTERFACE Qt6::Core ${ARG_DEPS} ${ARG_QT})
  endif()

  file(GLOB ui_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.cpp)
  file(GLOB ui_h CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.h)
  file(GLOB ui_qrc CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/ui/*.qrc)
  # The _ui library always exists (an empty interface while the folder has no windows yet), so
  # dependents can name it before the windows are written.
  if(ui_src)
    add_library(${logic}_ui STATIC ${ui_src} ${ui_h} ${ui_qrc})
    target_link_libraries(${logic}_ui PUBLIC ${logic} Qt6::Widgets Qt6::PrintSupport Qt6::Charts ${ARG_UI_DEPS})
    target_compile_options(${logic}_ui PRIVATE ${R7716_WARNINGS})
    set_target_properties(${logic}_ui PROPERTIES AUTORCC ON)
    r7716_check_includes(${logic}_ui SOURCES ${ui_src} ${ui_h} OWN ${name} ${name}/ui DEPS ${ARG_UI_DEPS}
                         INHERITED ${ARG_DEPS})
  else()
    add_library(${logic}_ui INTERFACE)
    target_link_libraries(${logic}_ui INTERFACE ${logic} Qt6::Widgets Qt6::PrintSupport Qt6::Charts ${ARG_UI_DEPS})
  endif()
endfunction()

# r7716_program(<target> SOURCES <files> DEPS <libs>): an executable of the folder, in build/bin, its
# includes checked against what it links.
function(r7716_program target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  set(sources "")
  foreach(file IN LISTS ARG_SOURCES)
    get_filename_component(file ${file} ABSOLUTE)
    list(APPEND sources ${file})
  endforeach()
  get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  add_executable(${target} ${sources})
  target_link_libraries(${target} PRIVATE ${ARG_DEPS})
  target_compile_options(${target} PRIVATE ${R7716_WARNINGS})
  set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  r7716_check_includes(${target} SOURCES ${sources} OWN ${folder} DEPS ${ARG_DEPS})
endfunction()

# r7716_test(<folder> [PG]): tests/<folder>/*.cpp -> test_<folder> (label unit, no display) and
# tests/<folder>/ui/*.cpp -> test_<folder>_ui (label ui, run under xvfb-run -a). PG: the logic tests use the
# run's one PostgreSQL cluster (the fixture r7716_pg_cluster in tests/CMakeLists.txt).
function(r7716_test folder)
  cmake_parse_arguments(ARG "PG" "" "DEPS;UI_DEPS;LABEL" ${ARGN})
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  string(REPLACE "/" "_" name ${folder})
  file(GLOB src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  file(GLOB h CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
  if(src)
    add_executable(test_${name} ${src} ${h})
    target_link_libraries(test_${name} PRIVATE r7716_test_support ${ARG_DEPS} GTest::gtest_main)
    set(pg_properties "")
    if(ARG_PG)
      set(pg_properties FIXTURES_REQUIRED r7716_pg_cluster ENVIRONMENT R7716_TEST_PG_STATE=${R7716_PG_STATE})
    endif()
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ${ARG_LABEL} ${pg_properties})
    r7716_check_includes(test_${name} SOURCES ${src} ${h} DEPS r7716_test_support ${ARG_DEPS})
  endif()
  file(GLOB ui_src CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/ui/*.cpp)
  file(GLOB ui_h CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/ui/*.h)
  if(ui_src)
    add_executable(test_${name}_ui ${ui_src} ${ui_h})
    target_link_libraries(test_${name}_ui PRIVATE r7716_test_support_ui ${ARG_UI_DEPS} GTest::gtest)
    gtest_discover_tests(test_${name}_ui DISCOVERY_MODE PRE_TEST PROPERTIES LABELS ui)
    r7716_check_includes(test_${name}_ui SOURCES ${ui_src} ${ui_h} DEPS r7716_test_support ${ARG_UI_DEPS})
  endif()
endfunction()
