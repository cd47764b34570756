# The Debian package (`make package`: cpack -G DEB in the release build). What goes in is
# what `cmake --install` installs, with the prefix /usr: the two programs (stripped), the menu
# entry and icons, the udev rule in /usr/lib/udev/rules.d, the manual pages, the bash,
# zsh and fish completions, and README, documentation, copyright, changelog and the configuration examples in
# /usr/share/doc/kavrintool.
# Depends is computed from the programs' shared libraries by dpkg-shlibdeps.
set(KAVRIN_PACKAGE_MAINTAINER
    "KavrinTool maintainers <maintainers@users.noreply.c-seed-0d1df0e7.example>"
    CACHE STRING "Maintainer field of the Debian package")
set(packaging ${PROJECT_SOURCE_DIR}/packaging/debian)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kavrintool)

# Debian keeps manual pages and changelogs compressed, without a time stamp in the gzip
# header so that the package builds the same twice.
find_program(KAVRIN_GZIP gzip REQUIRED)
function(kavrin_gzip source output)
  add_custom_command(OUTPUT ${output}
    COMMAND ${KAVRIN_GZIP} -9nc ${source} > ${output}
    DEPENDS ${source}
    COMMENT "Compressing ${source}")
endfunction()
set(compressed)
foreach(page kavrin.1 kavrintool.1)
  kavrin_gzip(${PROJECT_SOURCE_DIR}/docs/man/${page} ${CMAKE_BINARY_DIR}/man/${page}.gz)
  list(APPEND compressed ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
kavrin_gzip(${packaging}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
list(APPEND compressed ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/man ${CMAKE_BINARY_DIR}/packaging)
add_custom_target(kavrin_compressed_docs ALL DEPENDS ${compressed})

install(FILES ${CMAKE_BINARY_DIR}/man/kavrin.1.gz ${CMAKE_BINARY_DIR}/man/kavrintool.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# Completion for bash, zsh and fish: the rules live in the bash script; zsh and fish take its
# candidates as whole words through kavrin-words.bash.
set(completion ${PROJECT_SOURCE_DIR}/resources/completion)
install(FILES ${completion}/kavrin.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kavrin)
install(FILES ${completion}/_kavrin DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)
install(FILES ${completion}/kavrin.fish
        DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d)
install(FILES ${completion}/kavrin-words.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/kavrintool)
install(FILES ${PROJECT_SOURCE_DIR}/README.md ${packaging}/copyright
              ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${doc_dir})
foreach(doc simulator.md cli.md)
  if(EXISTS ${PROJECT_SOURCE_DIR}/docs/${doc})
    install(FILES ${PROJECT_SOURCE_DIR}/docs/${doc} DESTINATION ${doc_dir})
  endif()
endforeach()

# Examples for the authors of a configuration: the built-in one, byte for byte as the window
# carries it (what `kavrin config --write-default` writes), and two written for review.
set(examples_dir ${CMAKE_BINARY_DIR}/examples)
add_custom_command(OUTPUT ${examples_dir}/KAVRIN_CFG.ini
  COMMAND ${CMAKE_COMMAND} -E make_directory ${examples_dir}
  COMMAND ${KAVRIN_EMBED_COMMAND} --bytes ${examples_dir}/KAVRIN_CFG.ini
          ${PROJECT_SOURCE_DIR}/resources/KAVRIN_CFG.ini UTF16LE_CRLF
  DEPENDS ${KAVRIN_EMBED_DEPENDS} ${PROJECT_SOURCE_DIR}/resources/KAVRIN_CFG.ini
  COMMENT "Writing the built-in configuration as an example")
add_custom_target(kavrin_examples ALL DEPENDS ${examples_dir}/KAVRIN_CFG.ini)
install(FILES ${examples_dir}/KAVRIN_CFG.ini
              ${PROJECT_SOURCE_DIR}/resources/examples/engine-tests.ini
              ${PROJECT_SOURCE_DIR}/resources/examples/many-items.ini
        DESTINATION ${doc_dir}/examples)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kavrintool)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KavrinTool developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configuration tool for ZK742 USB video recorders")
set(CPACK_PACKAGE_DESCRIPTION
    "KavrinTool sets up ZK742 USB video recorders (UVC cameras with one vendor
extension unit): it shows the recorder's settings in one window, writes them
together with the clock (the Kavrin operation), reads them back, keeps them in
block files and shows the recorder's identification and engine tests. The
kavrin command does the same for scripts and production lines, and a simulated
recorder stands in where there is no hardware.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# CPack's DEB generator installs into its staging folder with DESTDIR and the prefix /usr,
# so the udev rule goes to /usr/lib/udev/rules.d (app/CMakeLists.txt chooses by the prefix).
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KAVRIN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its X11 and Wayland platform plugins at run time, so no library dependency names
# them; without qt6-qpa-plugins the window cannot open. The rest is computed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Chinese option texts in the built-in configuration need a CJK font to show.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/postinst ${packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)

# The package's checks, run by `make package` after cpack (ctest -L package): its contents,
# lintian, and an install and purge in a throwaway copy of this system.
option(KAVRIN_PACKAGE_TESTS "Register the checks of the Debian package" OFF)
if(KAVRIN_PACKAGE_TESTS)
  enable_testing()
  foreach(check contents lintian install)
    add_test(NAME package_${check}
             COMMAND ${PROJECT_SOURCE_DIR}/tests/package/check-package ${check}
                     ${CMAKE_BINARY_DIR} ${PROJECT_VERSION})
    set_tests_properties(package_${check} PROPERTIES LABELS package SKIP_RETURN_CODE 77
                                                     TIMEOUT 600)
  endforeach()
endif()
