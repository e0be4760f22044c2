# The type library QORVSDKLib of the Windows module: cmake/make_idl.py writes
# its IDL from the public headers, widl compiles it to qorvsdk.tlb (and the
# C/C++ header of the interfaces for Windows callers, qorvsdk_idl.h), and
# windres embeds the .tlb as resource TYPELIB 1 of qorvsdk.dll.
# Wine's IDL files (oaidl.idl ...) and stdole2.tlb come from the Wine packages
# (scripts/windows unpacks libwine-dev into build/windows-idl).
find_package(Python3 REQUIRED COMPONENTS Interpreter)
find_program(QORV_WIDL NAMES x86_64-w64-mingw32-widl widl REQUIRED)
set(QORV_WINE_IDL_DIR "${PROJECT_SOURCE_DIR}/build/windows-idl/usr/include/wine/wine/windows"
    CACHE PATH "Folder of Wine's oaidl.idl and ocidl.idl")
set(QORV_STDOLE_DIR "/usr/lib/x86_64-linux-gnu/wine/x86_64-windows"
    CACHE PATH "Folder of stdole2.tlb")
if(NOT EXISTS "${QORV_WINE_IDL_DIR}/oaidl.idl")
  message(FATAL_ERROR "No oaidl.idl in ${QORV_WINE_IDL_DIR}: run scripts/windows")
endif()

set(QORV_TYPELIB_DIR ${PROJECT_BINARY_DIR}/typelib)
file(MAKE_DIRECTORY ${QORV_TYPELIB_DIR})
file(GLOB qorv_public_headers ${PROJECT_SOURCE_DIR}/include/qorvsdk/*.h)
add_custom_command(
  OUTPUT ${QORV_TYPELIB_DIR}/qorvsdk.idl
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/cmake/make_idl.py
          ${PROJECT_SOURCE_DIR}/include/qorvsdk ${QORV_TYPELIB_DIR}/qorvsdk.idl
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/make_idl.py ${qorv_public_headers}
  COMMENT "IDL of QORVSDKLib from the public headers")
add_custom_command(
  OUTPUT ${QORV_TYPELIB_DIR}/qorvsdk.tlb ${QORV_TYPELIB_DIR}/qorvsdk_idl.h
  COMMAND ${QORV_WIDL} -I ${QORV_WINE_IDL_DIR} -L ${QORV_STDOLE_DIR}
          -t -o ${QORV_TYPELIB_DIR}/qorvsdk.tlb ${QORV_TYPELIB_DIR}/qorvsdk.idl
  COMMAND ${QORV_WIDL} -I ${QORV_WINE_IDL_DIR} -L ${QORV_STDOLE_DIR}
          -h -o ${QORV_TYPELIB_DIR}/qorvsdk_idl.h ${QORV_TYPELIB_DIR}/qorvsdk.idl
  DEPENDS ${QORV_TYPELIB_DIR}/qorvsdk.idl
  COMMENT "Type library QORVSDKLib (widl)")
file(WRITE ${QORV_TYPELIB_DIR}/qorvsdk_typelib.rc.in
     "1 TYPELIB \"${QORV_TYPELIB_DIR}/qorvsdk.tlb\"\n")
configure_file(${QORV_TYPELIB_DIR}/qorvsdk_typelib.rc.in ${QORV_TYPELIB_DIR}/qorvsdk_typelib.rc
               COPYONLY)
set_source_files_properties(${QORV_TYPELIB_DIR}/qorvsdk_typelib.rc PROPERTIES
  OBJECT_DEPENDS ${QORV_TYPELIB_DIR}/qorvsdk.tlb)
add_custom_target(qorvsdk_typelib DEPENDS ${QORV_TYPELIB_DIR}/qorvsdk.tlb
                                          ${QORV_TYPELIB_DIR}/qorvsdk_idl.h)
set(QORV_TYPELIB_RC ${QORV_TYPELIB_DIR}/qorvsdk_typelib.rc)
