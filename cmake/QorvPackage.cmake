# cpack: a Debian package of the installed tree, under /usr. Its post-install
# step registers the module in the system-wide registry
# (/etc/qorvsdk/registry.reg, docs/registry.md) and makes the qorvd user and
# data folder; its pre-removal step unregisters the module.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME qorvsdk)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "qorvsdk")
set(CPACK_PACKAGE_CONTACT "qorvsdk maintainers <maintainers@qorvsdk.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Client SDK of the qorv source-control service, with the qorv client and the qorvd server")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
# Dependencies from the libraries the programs and the module link.
find_program(QORV_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(QORV_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "passwd")

set(QORV_SYSTEM_REGISTRY /etc/qorvsdk/registry.reg)
set(QORV_PACKAGE_BINDIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR})
set(QORV_PACKAGE_LIBDIR ${CPACK_PACKAGING_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR})
foreach(script postinst prerm postrm)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/${script}.in
                 ${PROJECT_BINARY_DIR}/packaging/debian/${script} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
endforeach()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/packaging/debian/postinst
                                       ${PROJECT_BINARY_DIR}/packaging/debian/prerm
                                       ${PROJECT_BINARY_DIR}/packaging/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)

include(CPack)
