# tabrazo_add_test(NAME area.name SOURCES ... [LIBS ...] [DEFINITIONS ...]
#                  [OFFSCREEN] [CONTENTSERVER] [WEBENGINE] [SERIAL] [TIMEOUT seconds])
#
# One QtTest executable, tst_<area>_<name>, run as the test area.name:
#   OFFSCREEN      windows on Qt's offscreen platform, so the test needs no display
#   CONTENTSERVER  CONTENTSERVER_PATH names the project's content server, built first
#   WEBENGINE      the web engine runs without its sandbox (tests run as root)
#   SERIAL         alone, never beside another test
function(tabrazo_add_test)
  cmake_parse_arguments(PARSE_ARGV 0 arg "OFFSCREEN;CONTENTSERVER;WEBENGINE;SERIAL" "NAME;TIMEOUT"
    "SOURCES;LIBS;DEFINITIONS")
  if(arg_UNPARSED_ARGUMENTS OR NOT arg_SOURCES)
    message(FATAL_ERROR "tabrazo_add_test(${arg_NAME}): wants SOURCES, got ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_NAME MATCHES "^[a-z0-9]+\\.[a-z0-9]+$")
    message(FATAL_ERROR "tabrazo_add_test: name \"${arg_NAME}\" is not area.name")
  endif()
  string(REPLACE "." "_" target "tst_${arg_NAME}")

  add_executable(${target} ${arg_SOURCES})
  target_link_libraries(${target} PRIVATE ${arg_LIBS} tabrazo_test_support tabrazo_options Qt6::Test)
  target_compile_definitions(${target} PRIVATE ${arg_DEFINITIONS})
  add_test(NAME ${arg_NAME} COMMAND ${target})

  set(environment "")
  if(arg_OFFSCREEN)
    list(APPEND environment QT_QPA_PLATFORM=offscreen)
  else()
    list(APPEND environment LD_PRELOAD=$<TARGET_FILE:xconnect_retry>)
  endif()
  if(arg_WEBENGINE)
    list(APPEND environment QTWEBENGINE_DISABLE_SANDBOX=1)
  endif()
  if(environment)
    set_tests_properties(${arg_NAME} PROPERTIES ENVIRONMENT "${environment}")
  endif()
  if(arg_CONTENTSERVER)
    target_link_libraries(${target} PRIVATE Qt6::Network)
    target_compile_definitions(${target} PRIVATE CONTENTSERVER_PATH="$<TARGET_FILE:tabrazo-contentserver>")
    add_dependencies(${target} tabrazo-contentserver)
  endif()
  if(arg_SERIAL)
    set_tests_properties(${arg_NAME} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(arg_TIMEOUT)
    set_tests_properties(${arg_NAME} PROPERTIES TIMEOUT ${arg_TIMEOUT})
  endif()
endfunction()
