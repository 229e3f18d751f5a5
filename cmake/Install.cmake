# Installing the toolkit under a prefix (cmake --install): libraries, public headers, programs,
# the built-in and balance drivers with their descriptions, and the files a client build finds
# the toolkit with (find_package(Vodex) and pkg-config "vodex").
#
# Libraries and drivers go to lib/ and programs to bin/, as in the build tree, so the core
# library finds the programs ("bin" beside its own folder) and the window library in either.
include(CMakePackageConfigHelpers)
# Installing and packaging take what was built; they never start a build of their own (the
# tests package the toolkit while other tests run).
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

set(VODEX_INCLUDE_DIR ${CMAKE_INSTALL_INCLUDEDIR}/vodex2)
set(VODEX_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Vodex)

# The client's libraries, exported as Vodex::CoreLib, Vodex::Comm and Vodex::Interface.
set_target_properties(TLX_CoreLib PROPERTIES EXPORT_NAME CoreLib)
set_target_properties(TLX_Comm PROPERTIES EXPORT_NAME Comm)
set_target_properties(Vodex_Interface PROPERTIES EXPORT_NAME Interface)
foreach(target TLX_CoreLib TLX_Comm Vodex_Interface)
  target_include_directories(${target} INTERFACE $<INSTALL_INTERFACE:${VODEX_INCLUDE_DIR}>)
endforeach()
install(TARGETS TLX_CoreLib TLX_Comm Vodex_Interface EXPORT VodexTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/corelib/include/
                  ${PROJECT_SOURCE_DIR}/platform/comm/include/
                  ${PROJECT_SOURCE_DIR}/interface/include/
                  ${PROJECT_SOURCE_DIR}/drivers/common/include/
  DESTINATION ${VODEX_INCLUDE_DIR})

# The windows (loaded at run time by the core library) and the drivers.
if(TARGET Vodex_InterfaceUi)  # not in the sanitizer tree
  install(TARGETS TLX_Controls Vodex_InterfaceUi LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
install(TARGETS Vodex_Randomizer Vodex_Balance Vodex_Scpi Vodex_HandheldDmm Vodex_Photometer
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The component of the text-line meters (each description's driver is a copy of it, made by
# vodex install FILE.linemeter), and the example descriptions.
install(TARGETS Vodex_LineMeter LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/drivers/linemeter/examples/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/vodex/linemeter FILES_MATCHING PATTERN "*.linemeter")
install(FILES ${PROJECT_BINARY_DIR}/lib/Vodex_Randomizer.devinfo
              ${PROJECT_BINARY_DIR}/lib/Vodex_Balance.devinfo
              ${PROJECT_BINARY_DIR}/lib/Vodex_Scpi.devinfo
              ${PROJECT_BINARY_DIR}/lib/Vodex_HandheldDmm.devinfo
              ${PROJECT_BINARY_DIR}/lib/Vodex_Photometer.devinfo
  DESTINATION ${CMAKE_INSTALL_LIBDIR})
# Stripping (cmake --install --strip, and so the package) rewrites the drivers after they were
# copied, which would leave their descriptions older than they are; the registry would then
# load each driver to describe it. The descriptions are dated after the drivers.
install(CODE "foreach(driver Vodex_Randomizer Vodex_Balance Vodex_Scpi Vodex_HandheldDmm Vodex_Photometer)
  file(TOUCH_NOCREATE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/\${driver}.devinfo\")
endforeach()")

# The programs: the command line, the registration program, the installer, the simulator and
# the tool that writes a driver's description at build time (for driver authors).
install(TARGETS vodex vodex_regsvr vodex_msiexec vodex-sim vodex_devinfo
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(EXPORT VodexTargets NAMESPACE Vodex:: DESTINATION ${VODEX_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VodexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VodexConfig.cmake INSTALL_DESTINATION ${VODEX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VodexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VodexConfig.cmake ${PROJECT_BINARY_DIR}/VodexConfigVersion.cmake
  DESTINATION ${VODEX_CMAKE_DIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/vodex.pc.in ${PROJECT_BINARY_DIR}/vodex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vodex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The drivers an installed toolkit installs into a user's state on its first use.
file(WRITE ${PROJECT_BINARY_DIR}/install-files/builtin-drivers
  "# Built-in drivers, installed on the first use of the toolkit (relative to this library folder)\n"
  "Vodex_Randomizer.so\nVodex_Balance.so\nVodex_Scpi.so\nVodex_HandheldDmm.so\nVodex_Photometer.so\n")
install(FILES ${PROJECT_BINARY_DIR}/install-files/builtin-drivers
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/vodex)

# A Debian package of the toolkit (cpack in the build folder): vodex_<version>_<arch>.deb, with
# the libraries it needs declared from the programs' own dependencies.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vodex)
set(CPACK_PACKAGE_VENDOR "Vodex")
set(CPACK_PACKAGE_CONTACT "Vodex maintainers <maintainers@vodex.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "driver toolkit for measuring instruments of school and laboratory chemistry")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python module links no interpreter library, so the interpreter it is built for is named.
if(VODEX_PYTHON_VERSION)
  string(REPLACE "." ";" python_parts ${VODEX_PYTHON_VERSION})
  list(GET python_parts 1 python_minor)
  math(EXPR python_next "${python_minor} + 1")
  list(GET python_parts 0 python_major)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "python3 (>= ${VODEX_PYTHON_VERSION}~), python3 (<< ${python_major}.${python_next})")
endif()
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR}/lib)
include(CPack)
