# Delay-load import libraries for the Windows DLLs that are not known DLLs, so
# the exe's import table names only kernel32 and the C runtime and each DLL is
# loaded at its first call, after the entry point has narrowed the DLL search
# to the system folder. Each library covers every function of its DLL (read
# from mingw-w64's import library), so new calls need no change here.
#
# dlltool names its temporary files and some symbols after its -t prefix and
# writes them in its working folder: both are fixed, so the build stays
# reproducible.
find_program(SOLVANE_DLLTOOL x86_64-w64-mingw32-dlltool REQUIRED)
find_program(SOLVANE_NM x86_64-w64-mingw32-nm REQUIRED)

add_library(solvane_delay_loaded_dlls INTERFACE)
set(delay_dir ${CMAKE_BINARY_DIR}/delay-load)

foreach(dll user32 gdi32 shell32 ole32 setupapi version)
  find_library(SOLVANE_IMPORT_LIB_${dll} ${dll} REQUIRED)
  execute_process(COMMAND ${SOLVANE_NM} ${SOLVANE_IMPORT_LIB_${dll}}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  # A function has its thunk (T name) beside its import slot (I __imp_name);
  # data exports cannot be delay-loaded and have no thunk.
  string(REGEX MATCHALL "\n[0-9a-f]+ T [A-Za-z0-9_@?$]+" thunks "${symbols}")
  set(exports "")
  foreach(thunk ${thunks})
    string(REGEX REPLACE ".* T " "" name "${thunk}")
    string(FIND "${symbols}" " I __imp_${name}\n" has_slot)
    if(NOT has_slot EQUAL -1)
      list(APPEND exports ${name})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES exports)
  list(SORT exports)
  list(JOIN exports "\n  " export_lines)
  set(work ${delay_dir}/${dll})
  file(MAKE_DIRECTORY ${work})
  file(CONFIGURE OUTPUT ${work}/${dll}.def
       CONTENT "LIBRARY ${dll}.dll\nEXPORTS\n  ${export_lines}\n" @ONLY)
  set(delay_lib ${delay_dir}/lib${dll}-delay.a)
  add_custom_command(OUTPUT ${delay_lib}
    COMMAND ${SOLVANE_DLLTOOL} -m i386:x86-64 -d ${dll}.def -D ${dll}.dll -y ${delay_lib}
            -t solvane_delay_${dll}
    DEPENDS ${work}/${dll}.def
    WORKING_DIRECTORY ${work}
    COMMENT "Making the delay-load import library of ${dll}.dll")
  add_custom_target(solvane_delay_${dll}_lib DEPENDS ${delay_lib})
  add_library(solvane_delay_${dll} STATIC IMPORTED GLOBAL)
  set_target_properties(solvane_delay_${dll} PROPERTIES IMPORTED_LOCATION ${delay_lib})
  add_dependencies(solvane_delay_${dll} solvane_delay_${dll}_lib)
  target_link_libraries(solvane_delay_loaded_dlls INTERFACE solvane_delay_${dll})
endforeach()
