# The dependencies of the Windows build. The header-only libraries are taken from their Debian
# include folders, each linked into a folder of its own so that the cross compiler never sees the
# rest of /usr/include (Linux's C library headers). GoogleTest is built from Debian's source
# package with the cross compiler.
set(vx_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${vx_headers})
function(vx_header_library target)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  foreach(entry ${ARGN})
    if(NOT EXISTS /usr/include/${entry})
      message(FATAL_ERROR "/usr/include/${entry} is missing (scripts/setup.sh installs it)")
    endif()
    file(CREATE_LINK /usr/include/${entry} ${vx_headers}/${entry} SYMBOLIC)
  endforeach()
  target_include_directories(${target} SYSTEM INTERFACE ${vx_headers})
endfunction()
vx_header_library(nlohmann_json::nlohmann_json nlohmann)
vx_header_library(CLI11::CLI11 CLI)

if(VX_BUILD_TESTS)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(t gtest gtest_main gmock gmock_main)
    if(NOT TARGET GTest::${t})
      add_library(GTest::${t} ALIAS ${t})
    endif()
  endforeach()
endif()
