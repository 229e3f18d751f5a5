# Installing the toolkit under a prefix (cmake --install): libraries, public headers, programs,
# the built-in and balance drivers with their descriptions, and the files a client build finds
# the toolkit with (find_package(Vodex) and pkg-config "vodex").
#
# Libraries and drivers go to lib/ and programs to bin/, as in the build tree, so the core
# library finds the programs ("bin" beside its own folder) and the window library in either.
include(CMakePackageConfigHelpers)

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
  DESTINATION ${VODEX_INCLUDE_DIR})

# The windows (loaded at run time by the core library) and the drivers.
install(TARGETS TLX_Controls Vodex_InterfaceUi Vodex_Randomizer Vodex_Balance
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_BINARY_DIR}/lib/Vodex_Randomizer.devinfo
              ${PROJECT_BINARY_DIR}/lib/Vodex_Balance.devinfo
  DESTINATION ${CMAKE_INSTALL_LIBDIR})

# The programs: the command line, the registration program, the installer and the simulator.
install(TARGETS vodex vodex_regsvr vodex_msiexec vodex-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(EXPORT VodexTargets NAMESPACE Vodex:: DESTINATION ${VODEX_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/VodexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/VodexConfig.cmake INSTALL_DESTINATION ${VODEX_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VodexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VodexConfig.cmake ${PROJECT_BINARY_DIR}/VodexConfigVersion.cmake
  DESTINATION ${VODEX_CMAKE_DIR})
configure_file(${PROJECT_SOURCE_DIR}/cmake/vodex.pc.in ${PROJECT_BINARY_DIR}/vodex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vodex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
