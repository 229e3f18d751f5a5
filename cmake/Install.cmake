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
# The toolkit installs in parts, one for each of its Debian packages (see docs/packaging.md):
#   libs    libvodex2      the shared libraries and the shipped drivers
#   dev     libvodex-dev   headers, the CMake package, vodex.pc and the development links
#   cli     vodex          the command line, the simulator, registration program and installer
#   gui     vodex-gui      the manager, the setup program and the window libraries
#   python  python3-vodex  the Python module
# The shipped drivers are components loaded by the toolkit, not libraries to link with, so they
# live in a folder of the toolkit's own below the libraries.
set(VODEX_DRIVER_DIR ${CMAKE_INSTALL_LIBDIR}/vodex/drivers)
install(TARGETS TLX_CoreLib TLX_Comm Vodex_Interface EXPORT VodexTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libs NAMELINK_COMPONENT dev)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/platform/corelib/include/
                  ${PROJECT_SOURCE_DIR}/platform/comm/include/
                  ${PROJECT_SOURCE_DIR}/interface/include/
                  ${PROJECT_SOURCE_DIR}/drivers/common/include/
  DESTINATION ${VODEX_INCLUDE_DIR} COMPONENT dev)

# The windows (loaded at run time by the core library, and linked by the window programs only).
if(TARGET Vodex_InterfaceUi)  # not in the sanitizer tree
  install(TARGETS TLX_Controls Vodex_InterfaceUi
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT gui NAMELINK_SKIP)
endif()
set(VODEX_SHIPPED_DRIVERS Vodex_Randomizer Vodex_Balance Vodex_Scpi Vodex_HandheldDmm
  Vodex_Photometer)
install(TARGETS ${VODEX_SHIPPED_DRIVERS} LIBRARY DESTINATION ${VODEX_DRIVER_DIR} COMPONENT libs)
# The component of the text-line meters (each description's driver is a copy of it, made by
# vodex install FILE.linemeter), and the example descriptions.
install(TARGETS Vodex_LineMeter LIBRARY DESTINATION ${VODEX_DRIVER_DIR} COMPONENT libs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/drivers/linemeter/examples/
  DESTINATION ${CMAKE_INSTALL_DATADIR}/vodex/linemeter COMPONENT cli
  FILES_MATCHING PATTERN "*.linemeter")
set(driver_descriptions)
foreach(driver ${VODEX_SHIPPED_DRIVERS})
  list(APPEND driver_descriptions ${PROJECT_BINARY_DIR}/lib/${driver}.devinfo)
endforeach()
install(FILES ${driver_descriptions} DESTINATION ${VODEX_DRIVER_DIR} COMPONENT libs)
# Stripping (cmake --install --strip, and so the package) rewrites the drivers after they were
# copied, which would leave their descriptions older than they are; the registry would then
# load each driver to describe it. The descriptions are dated after the drivers.
install(CODE "foreach(driver ${VODEX_SHIPPED_DRIVERS})
  file(TOUCH_NOCREATE \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${VODEX_DRIVER_DIR}/\${driver}.devinfo\")
endforeach()" COMPONENT libs)

# The programs: the command line, the registration program, the installer, the simulator and
# the tool that writes a driver's description at build time (for driver authors).
install(TARGETS vodex vodex_regsvr vodex_msiexec vodex-sim vodex_devinfo
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)

install(EXPORT VodexTargets NAMESPACE Vodex:: DESTINATION ${VODEX_CMAKE_DIR} COMPONENT dev)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VodexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VodexConfig.cmake INSTALL_DESTINATION ${VODEX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VodexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VodexConfig.cmake ${PROJECT_BINARY_DIR}/VodexConfigVersion.cmake
  DESTINATION ${VODEX_CMAKE_DIR} COMPONENT dev)
configure_file(${PROJECT_SOURCE_DIR}/cmake/vodex.pc.in ${PROJECT_BINARY_DIR}/vodex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vodex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT dev)

# The drivers an installed toolkit installs into a user's state on its first use, relative to
# the libraries' folder.
set(builtin_list "# Built-in drivers, installed on the first use of the toolkit (relative to this library folder)\n")
foreach(driver ${VODEX_SHIPPED_DRIVERS})
  string(APPEND builtin_list "vodex/drivers/${driver}.so\n")
endforeach()
file(WRITE ${PROJECT_BINARY_DIR}/install-files/builtin-drivers "${builtin_list}")
install(FILES ${PROJECT_BINARY_DIR}/install-files/builtin-drivers
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/vodex COMPONENT libs)

include(cmake/Packages.cmake)
