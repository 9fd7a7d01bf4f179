# The Debian package: `cpack -G DEB` in a build folder configured with
# -DVESTREL_HARDEN=ON makes vestrel_VERSION-1_amd64.deb. Only the install rules
# of the component "deb" go into it: the binary (stripped, hardened when VESTREL_HARDEN is on), the manual page and
# the changelog compressed, the copyright file, the lintian overrides and the
# example workflow. They are left out of a plain `cmake --install`.
option(VESTREL_HARDEN "Compile and link with the hardening flags of dpkg-buildflags (for the Debian package)" OFF)
if(VESTREL_HARDEN)
  find_program(DPKG_BUILDFLAGS dpkg-buildflags REQUIRED)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                            ${DPKG_BUILDFLAGS} --get ${kind}
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}  # the top of the tree, as in a package build
                    OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(VESTREL_${kind} UNIX_COMMAND "${flags}")
  endforeach()
  # The build type chooses the optimisation and the debugging information.
  list(FILTER VESTREL_CXXFLAGS EXCLUDE REGEX "^-(O.*|g)$")
  target_compile_options(vestrel_core PUBLIC ${VESTREL_CPPFLAGS} ${VESTREL_CXXFLAGS})
  target_link_options(vestrel PRIVATE ${VESTREL_LDFLAGS})
  set_target_properties(vestrel_core vestrel PROPERTIES POSITION_INDEPENDENT_CODE ON)
endif()

set(VESTREL_DEB ${PROJECT_SOURCE_DIR}/packaging/debian)
set(VESTREL_DEB_GZ ${PROJECT_BINARY_DIR}/deb)
file(MAKE_DIRECTORY ${VESTREL_DEB_GZ})
# gzip -n: no name nor time stamp in the archives, which lintian asks for.
add_custom_command(OUTPUT ${VESTREL_DEB_GZ}/vestrel.1.gz ${VESTREL_DEB_GZ}/changelog.Debian.gz
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/man/vestrel.1 > ${VESTREL_DEB_GZ}/vestrel.1.gz
  COMMAND gzip -9n -c ${VESTREL_DEB}/changelog > ${VESTREL_DEB_GZ}/changelog.Debian.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/man/vestrel.1 ${VESTREL_DEB}/changelog VERBATIM)
add_custom_target(vestrel_deb_files ALL DEPENDS ${VESTREL_DEB_GZ}/vestrel.1.gz ${VESTREL_DEB_GZ}/changelog.Debian.gz)

install(TARGETS vestrel RUNTIME DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)
# Stripped as dh_strip does it: no symbols and no compilers' notes.
install(CODE "execute_process(COMMAND \"${CMAKE_STRIP}\" --remove-section=.comment --remove-section=.note
  --strip-unneeded \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/vestrel\" COMMAND_ERROR_IS_FATAL ANY)" COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${VESTREL_DEB_GZ}/vestrel.1.gz DESTINATION share/man/man1 COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${VESTREL_DEB}/copyright ${VESTREL_DEB_GZ}/changelog.Debian.gz
        DESTINATION share/doc/vestrel COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${VESTREL_DEB}/lintian-overrides DESTINATION share/lintian/overrides
        RENAME vestrel COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES examples/workflow/Snakefile examples/workflow/summarize.py
        DESTINATION share/vestrel/workflow COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR DEB)
set(CPACK_INSTALL_CMAKE_PROJECTS "${PROJECT_BINARY_DIR};vestrel;deb;/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_PACKAGE_NAME vestrel)
set(CPACK_PACKAGE_VENDOR "Vestrel developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "analyser of the base composition of DNA sequences")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Vestrel cuts a DNA sequence read from a FASTA file into domains of homogeneous
GC content by recursive binary segmentation, computes the cumulative AT/GC
walk and places the split points on it, and writes data files, HTML tables,
browser tracks and gnuplot scripts. It reads gzip-compressed input and can
analyse every record of an assembly on its own. An example Snakemake workflow
for many genomes is in /usr/share/vestrel/workflow.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vestrel developers <vestrel@vestrel.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "snakemake, gnuplot")
include(CPack)
