# The toolkit's Debian packages (cpack in the build folder), one for each part that Install.cmake
# installs, each <name>_<version>-<release>_<arch>.deb: with its copyright, changelog,
# description, the dependencies found from its programs and libraries, and the shared
# libraries' shlibs entries and ldconfig trigger.
set(VODEX_PACKAGE_RELEASE 1)
set(VODEX_PACKAGING ${PROJECT_SOURCE_DIR}/packaging)
find_program(GZIP gzip REQUIRED)

# name of the part|its package|summary|what it holds, for the package's long description (lines
# of at most 80 characters, a new line written as "\n")
set(VODEX_PACKAGES
  "libs|libvodex2|driver toolkit for measuring instruments - libraries and drivers|the toolkit's shared libraries and the drivers it\nships: a random generator, balances, SCPI bench multimeters, handheld\nmultimeters, text-line meters and a scanning photometer"
  "dev|libvodex-dev|driver toolkit for measuring instruments - development files|the headers, the CMake package (find_package(Vodex)) and the\npkg-config file for building measuring programs and drivers"
  "cli|vodex|driver toolkit for measuring instruments - command line|the command line vodex (list, test, install and measure with\ndrivers), the virtual instruments of vodex-sim, the registration program and\nthe installer of driver packages"
  "gui|vodex-gui|driver toolkit for measuring instruments - windows|the device manager, the driver setup program and the\ntoolkit's windows"
  "python|python3-vodex|driver toolkit for measuring instruments - Python module|the Python 3 module vodex for measuring programs written\nin Python")

# The changelog, compressed as Debian keeps it, without a time stamp.
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog.Debian.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${GZIP} -9 -n -c ${VODEX_PACKAGING}/changelog > ${changelog}
  DEPENDS ${VODEX_PACKAGING}/changelog
  COMMENT "Compressing the changelog")
# The hand-written man pages, compressed as the generated ones are.
set(written_pages)
foreach(entry "vodex_regsvr|cli" "vodex_devinfo|cli" "vodex-manager|gui" "vodex-setup|gui")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 program)
  list(GET parts 1 part)
  set(page ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${GZIP} -9 -n -c ${VODEX_PACKAGING}/man/${program}.1 > ${page}
    DEPENDS ${VODEX_PACKAGING}/man/${program}.1
    COMMENT "Compressing the man page of ${program}")
  list(APPEND written_pages ${page})
  install(FILES ${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${part})
endforeach()
add_custom_target(vodex_packaging_files ALL DEPENDS ${changelog} ${written_pages})
install(FILES ${VODEX_PACKAGING}/metainfo/org.vodex.manager.metainfo.xml
              ${VODEX_PACKAGING}/metainfo/org.vodex.setup.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT gui)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vodex)
set(CPACK_PACKAGE_VENDOR "Vodex")
set(CPACK_PACKAGE_CONTACT "Vodex maintainers <maintainers@vodex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "driver toolkit for measuring instruments of school and laboratory chemistry")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${VODEX_PACKAGE_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL)
foreach(entry ${VODEX_PACKAGES})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 part)
  list(GET parts 1 package)
  list(GET parts 2 summary)
  list(GET parts 3 holds)
  string(TOUPPER ${part} PART)
  list(APPEND CPACK_COMPONENTS_ALL ${part})
  set(CPACK_DEBIAN_${PART}_PACKAGE_NAME ${package})
  set(CPACK_DEBIAN_${PART}_FILE_NAME DEB-DEFAULT)
  set(CPACK_COMPONENT_${PART}_DESCRIPTION "${summary}
Vodex connects measuring programs with the instruments of school and
laboratory chemistry: pH and conductivity meters, thermometers, balances,
photometers and multimeters, mostly on RS-232 or USB-serial ports. Programs
ask for a device by its driver's name, connect it, measure and read its
channels' values.

This package holds ${holds}.")
  install(FILES ${VODEX_PACKAGING}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package}
    COMPONENT ${part})
  install(FILES ${changelog} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${package} COMPONENT ${part})
endforeach()
set(CPACK_DEBIAN_LIBS_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
# The libraries' shlibs entries, and the trigger that runs ldconfig once after dpkg is done
# (instead of a call in the maintainer scripts, which stay empty).
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
foreach(PART LIBS GUI)
  set(CPACK_DEBIAN_${PART}_PACKAGE_CONTROL_EXTRA ${VODEX_PACKAGING}/debian/triggers
    ${VODEX_PACKAGING}/debian/postinst ${VODEX_PACKAGING}/debian/postrm)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_COMPONENT_DEV_DEPENDS libs)
set(CPACK_COMPONENT_CLI_DEPENDS libs)
set(CPACK_COMPONENT_GUI_DEPENDS libs)
set(CPACK_COMPONENT_PYTHON_DEPENDS libs)
# The Python module links no interpreter library, so the interpreter it is built for is named.
if(VODEX_PYTHON_VERSION)
  string(REPLACE "." ";" python_parts ${VODEX_PYTHON_VERSION})
  list(GET python_parts 1 python_minor)
  math(EXPR python_next "${python_minor} + 1")
  list(GET python_parts 0 python_major)
  set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS
    "python3 (>= ${VODEX_PYTHON_VERSION}~), python3 (<< ${python_major}.${python_next})")
endif()
include(CPack)
