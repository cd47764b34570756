# The libraries the build uses. On Linux they come from the system's packages. The Windows
# cross build takes the header-only ones (nlohmann-json, CLI11) from the same Debian packages
# through INTERFACE targets that see those headers alone (find_package of the Linux packages
# would put /usr/include on a Windows compile line), builds GoogleTest from Debian's source
# package and has no Qt and no libudev.

# kavrin_header_only(<target> <header> <folder>): <target> includes <folder> of the build
# machine's headers, reached through a link in the build tree.
function(kavrin_header_only target header folder)
  string(MAKE_C_IDENTIFIER "KAVRIN_HOST_${folder}" var)
  find_path(${var} ${header} PATHS /usr/include /usr/local/include
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT ${var})
    message(FATAL_ERROR "${header} not found (scripts/install-deps installs it)")
  endif()
  set(shim ${CMAKE_BINARY_DIR}/host-headers/${folder})
  file(MAKE_DIRECTORY ${shim})
  file(REMOVE_RECURSE ${shim}/${folder})
  file(CREATE_LINK ${${var}}/${folder} ${shim}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${target} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${shim})
endfunction()

if(KAVRIN_WINDOWS)
  kavrin_header_only(nlohmann_json::nlohmann_json nlohmann/json.hpp nlohmann)
  kavrin_header_only(CLI11::CLI11 CLI/CLI.hpp CLI)
  if(KAVRIN_BUILD_TESTS)
    set(KAVRIN_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
    add_subdirectory(${KAVRIN_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    enable_testing()
    include(GoogleTest)
  endif()
else()
  find_package(PkgConfig REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  find_package(CLI11 REQUIRED)
  pkg_check_modules(LIBUDEV REQUIRED IMPORTED_TARGET libudev)
  if(KAVRIN_BUILD_QT)
    find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
  endif()
  # Running the tool needs neither GoogleTest nor Google Benchmark: without them the tests
  # and the benchmark program (bench/CMakeLists.txt) are left out (scripts/install-deps test
  # installs both).
  if(KAVRIN_BUILD_TESTS)
    find_package(GTest)
    if(GTest_FOUND)
      enable_testing()
      include(GoogleTest)
    else()
      message(STATUS "GoogleTest not found: the tests are not built (scripts/install-deps test)")
      set(KAVRIN_BUILD_TESTS OFF)
    endif()
  endif()
endif()
