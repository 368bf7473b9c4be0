# Installation: the static libraries, their headers under include/brisko (the
# root the headers are written against), the bundle resources under
# share/brisko/resources, the CMake package and, when the tools are built, the
# stand-in service (bin/quorvel_standin with its fixtures under
# share/brisko/standin/fixtures), so that a game writes
#     find_package(Brisko REQUIRED)
#     target_link_libraries(game PRIVATE Brisko::kestrel Brisko::quorvel)
# (Brisko::quorvel_library is the client's archive; Brisko::quorvel links it whole.)
include(CMakePackageConfigHelpers)

set(BRISKO_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/Brisko)

install(TARGETS brisko_platform brisko_kestrel brisko_quorvel_library brisko_quorvel EXPORT BriskoTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/brisko)
foreach(dir IN LISTS BRISKO_HEADER_DIRS)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/${dir} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/brisko
          FILES_MATCHING PATTERN "*.h")
endforeach()
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/ DESTINATION ${CMAKE_INSTALL_DATADIR}/brisko/resources)
if(TARGET brisko_standin)
  install(TARGETS brisko_standin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/tools/standin/fixtures/
          DESTINATION ${CMAKE_INSTALL_DATADIR}/brisko/standin/fixtures)
endif()

install(EXPORT BriskoTargets NAMESPACE Brisko:: DESTINATION ${BRISKO_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/BriskoConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/BriskoConfig.cmake
                              INSTALL_DESTINATION ${BRISKO_INSTALL_CMAKEDIR}
                              PATH_VARS CMAKE_INSTALL_DATADIR)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/BriskoConfigVersion.cmake
                                 COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/BriskoConfig.cmake ${PROJECT_BINARY_DIR}/BriskoConfigVersion.cmake
              ${PROJECT_SOURCE_DIR}/cmake/BriskoDependencies.cmake ${PROJECT_SOURCE_DIR}/cmake/BriskoBundle.cmake
              ${PROJECT_SOURCE_DIR}/cmake/BriskoCopyBundle.cmake
        DESTINATION ${BRISKO_INSTALL_CMAKEDIR})
