# tabrazo_gbk_table(TARGET): TARGET may #include "GbkTable.inc", the two-byte GBK table written at
# build time by GbkTableGen from the system's iconv.
set(TABRAZO_GBK_TABLE_DIR ${CMAKE_CURRENT_LIST_DIR})

function(tabrazo_gbk_table target)
  if(NOT TARGET tabrazo_gbk_table_gen)
    add_executable(tabrazo_gbk_table_gen ${TABRAZO_GBK_TABLE_DIR}/GbkTableGen.cpp)
  endif()
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/gbktable)
  add_custom_command(OUTPUT ${dir}/GbkTable.inc
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND tabrazo_gbk_table_gen ${dir}/GbkTable.inc
    DEPENDS tabrazo_gbk_table_gen
    COMMENT "Writing the GBK table from iconv")
  target_sources(${target} PRIVATE ${dir}/GbkTable.inc)
  target_include_directories(${target} PRIVATE ${dir})
endfunction()
