# Copies the public headers, gives IQORVAddFile a member whose parameter the
# type library has no type for, and expects make_idl.py to stop with that
# member named (and to write no IDL).
file(REMOVE_RECURSE ${WORK})
file(COPY ${ROOT}/include/qorvsdk DESTINATION ${WORK})
file(READ ${WORK}/qorvsdk/items.h items)
string(REPLACE "struct IQORVAddFile : IDispatch {\n"
               "struct IQORVAddFile : IDispatch {\n  virtual HRESULT Touch(float* when) = 0;  // DISPID 9\n"
               changed "${items}")
if(changed STREQUAL items)
  message(FATAL_ERROR "IQORVAddFile not found in items.h")
endif()
file(WRITE ${WORK}/qorvsdk/items.h "${changed}")
execute_process(COMMAND ${PYTHON} ${ROOT}/cmake/make_idl.py ${WORK}/qorvsdk ${WORK}/out.idl
                RESULT_VARIABLE result ERROR_VARIABLE error)
file(REMOVE_RECURSE ${WORK})
if(result EQUAL 0)
  message(FATAL_ERROR "make_idl.py accepted a member with a type the library lacks")
endif()
if(NOT error MATCHES "float")
  message(FATAL_ERROR "make_idl.py failed without naming the type: ${error}")
endif()
