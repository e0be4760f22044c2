# What `cmake --install` puts where (GNUInstallDirs folders below the prefix):
#   bin/qorv, bin/qorvd, bin/qorvreg
#   <libdir>/libqorvsdk.so.1.0.0 with libqorvsdk.so.1 and libqorvsdk.so links
#   include/qorvsdk/*.h
#   <libdir>/cmake/qorvsdk/  find_package(qorvsdk) -> qorvsdk::qorvsdk
#   <libdir>/pkgconfig/qorvsdk.pc
#   share/man/man1/qorv.1, qorvd.1
#   share/bash-completion/completions/qorv
#   lib/systemd/system/qorvd.service (installed, not enabled)
# Every file refers to the others relative to where it is, so the tree works
# under any prefix (the install test uses a temporary one).
include(CMakePackageConfigHelpers)

set(QORV_CMAKE_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/qorvsdk)

install(TARGETS qorv qorvd qorvreg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS qorvsdk EXPORT qorvsdkTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/qorvsdk
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")

# The CMake package: the imported target and its version (a caller asking
# for 1.x accepts any 1.y, the SONAME's promise).
install(EXPORT qorvsdkTargets NAMESPACE qorvsdk:: DESTINATION ${QORV_CMAKE_CONFIG_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qorvsdkConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/qorvsdkConfig.cmake
                              INSTALL_DESTINATION ${QORV_CMAKE_CONFIG_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/qorvsdkConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/qorvsdkConfig.cmake
              ${PROJECT_BINARY_DIR}/qorvsdkConfigVersion.cmake
        DESTINATION ${QORV_CMAKE_CONFIG_DIR})

# pkg-config: the prefix is found from the .pc file's own folder.
file(RELATIVE_PATH QORV_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
string(REGEX REPLACE "/$" "" QORV_PC_TO_PREFIX "${QORV_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qorvsdk.pc.in ${PROJECT_BINARY_DIR}/qorvsdk.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qorvsdk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

foreach(page qorv.1 qorvd.1)
  configure_file(${PROJECT_SOURCE_DIR}/man/${page}.in ${PROJECT_BINARY_DIR}/man/${page} @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/bash-completion/qorv
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions)

# The unit names the qorvd of the prefix installed into, which cpack sets
# only when it installs: so the file is written then.
install(CODE "
  set(QORVD_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/qorvd\")
  configure_file(\"${PROJECT_SOURCE_DIR}/packaging/systemd/qorvd.service.in\"
                 \"${PROJECT_BINARY_DIR}/packaging/qorvd.service\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/packaging/qorvd.service DESTINATION lib/systemd/system)
