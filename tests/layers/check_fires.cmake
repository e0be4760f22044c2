# cmake -DCHECK_SCRIPT=<check_layers.cmake> -DWORK=<scratch folder> -P check_fires.cmake
# Builds small source trees, each with one include, and runs the layer check
# on each: allowed includes pass, forbidden ones fail naming file and include.

cmake_minimum_required(VERSION 3.25)
set(failures "")

# expect(<name> PASS|FAIL <file below the tree> <included path>)
function(expect name outcome file included)
  set(tree "${WORK}/${name}")
  file(REMOVE_RECURSE "${tree}")
  get_filename_component(folder "${tree}/${file}" DIRECTORY)
  file(MAKE_DIRECTORY "${folder}")
  file(WRITE "${tree}/${file}" "// test\n#include <string>\n  #  include \"${included}\"  // why\n")
  execute_process(COMMAND ${CMAKE_COMMAND} -DQORV_ROOT=${tree} -P ${CHECK_SCRIPT}
                  RESULT_VARIABLE result ERROR_VARIABLE errors OUTPUT_QUIET)
  if(outcome STREQUAL "PASS" AND NOT result EQUAL 0)
    set(failures "${failures}\n${name}: refused an allowed include:\n${errors}" PARENT_SCOPE)
  elseif(outcome STREQUAL "FAIL")
    if(result EQUAL 0)
      set(failures "${failures}\n${name}: accepted a forbidden include" PARENT_SCOPE)
    elseif(NOT errors MATCHES "${file}: #include \"${included}\"")
      set(failures "${failures}\n${name}: the message does not name the include:\n${errors}"
          PARENT_SCOPE)
    endif()
  endif()
endfunction()

# Downward and sideways-allowed includes, and paths that name no layer.
expect(net_platform PASS src/net/a.cc "platform/file.h")
expect(net_codec PASS src/net/a.h "codec/crc32.h")
expect(transfer_local PASS src/transfer/a.cc "local/cache_model.h")
expect(transfer_codec_through_net PASS src/transfer/a.cc "codec/crc32.h")
expect(sdk_module_platform PASS src/sdk/module/a.cc "platform/com/registry.h")
expect(server_net PASS server/a.cc "net/in_message.h")
expect(cli_console PASS cli/a.cc "platform/console/terminal.h")
expect(unknown_prefix PASS src/codec/a.cc "support/scoped_temp.h")
expect(cli_program_embedded PASS cli/qorv_main.cc "cli/embedded/embedded_commands.h")
expect(subfolder_not_read PASS src/net/deeper/a.cc "sdk/qor_sdk.h")

# Upward includes and includes between layers that may not meet.
expect(net_ops FAIL src/net/a.cc "ops/session.h")
expect(codec_net FAIL src/codec/a.cc "net/in_message.h")
expect(codec_platform FAIL src/codec/a.h "platform/file.h")
expect(local_protocol FAIL src/local/a.cc "protocol/request_engine.h")
expect(server_sdk FAIL server/a.cc "sdk/qor_sdk.h")
expect(server_transfer FAIL server/a.cc "transfer/a.h")
expect(cli_platform_core FAIL cli/a.cc "platform/file.h")
expect(cli_library_embedded FAIL cli/runner.cc "cli/embedded/embedded_commands.h")
expect(cli_program_sdk FAIL cli/qorv_main.cc "sdk/qor_sdk.h")
expect(cli_net FAIL cli/a.cc "net/in_message.h")
expect(public_header FAIL include/qorvsdk/a.h "platform/com/registry.h")
expect(platform_net FAIL src/platform/a.cc "net/in_message.h")

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
