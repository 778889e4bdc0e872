# nlohmann/json and CLI11 are header-only and need nothing but the C++ library,
# so the cross build takes them from the build machine. Only their own folders
# are put on the include path, never the machine's /usr/include.
set(SOLVANE_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
foreach(entry "nlohmann_json;nlohmann/json.hpp;nlohmann" "cli11;CLI/CLI.hpp;CLI")
  list(GET entry 0 name)
  list(GET entry 1 header)
  list(GET entry 2 folder)
  find_path(SOLVANE_HOST_${name}_DIR ${header} PATHS /usr/include NO_DEFAULT_PATH
            NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SOLVANE_HOST_${name}_DIR)
    message(FATAL_ERROR "${header} is missing on this machine (scripts/install-deps.sh installs it)")
  endif()
  file(MAKE_DIRECTORY ${SOLVANE_HOST_HEADERS})
  file(CREATE_LINK ${SOLVANE_HOST_${name}_DIR}/${folder} ${SOLVANE_HOST_HEADERS}/${folder} SYMBOLIC)
  if(NOT TARGET host_${name})
    add_library(host_${name} INTERFACE)
    target_include_directories(host_${name} SYSTEM INTERFACE ${SOLVANE_HOST_HEADERS})
  endif()
endforeach()
