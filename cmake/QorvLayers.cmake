# The layers of the code base and the directions in which they may depend on
# each other (docs/decisions.md, "Build and layout"). A layer is named by the
# folder prefix its headers are included with ("net/...", "platform/com/...").
# The table below is the one place that says which layer may include which;
# the configuration fails when a source includes a layer its own may not use
# (qorv_check_layers) or when a library links one (qorv_check_layer_deps).
# Only quoted includes are read: <net/if.h> and the like are system headers.
# This file also runs in script mode (cmake -P cmake/check_layers.cmake), so
# it defines no targets.

# qorv_layer(<layer> DIRS <folders>... [TARGET <library>] [USES <layers>...])
# Declares a layer: its folders below the project root (each read without
# its sub-folders), its library, and the layers it may include directly.
# Whatever those may include comes along, so each layer is declared after
# every layer it uses.
function(qorv_layer layer)
  cmake_parse_arguments(ARG "" "TARGET" "DIRS;USES" ${ARGN})
  set(allowed ${layer})
  foreach(used IN LISTS ARG_USES)
    get_property(declared GLOBAL PROPERTY QORV_LAYER_ALLOWED_${used} SET)
    if(NOT declared)
      message(FATAL_ERROR "Layer ${layer} uses ${used}, which is not declared before it")
    endif()
    get_property(inherited GLOBAL PROPERTY QORV_LAYER_ALLOWED_${used})
    list(APPEND allowed ${inherited})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  list(SORT allowed)
  set_property(GLOBAL PROPERTY QORV_LAYER_ALLOWED_${layer} "${allowed}")
  set_property(GLOBAL PROPERTY QORV_LAYER_DIRS_${layer} "${ARG_DIRS}")
  if(ARG_TARGET)
    set_property(GLOBAL PROPERTY QORV_LAYER_OF_TARGET_${ARG_TARGET} ${layer})
  endif()
  set_property(GLOBAL APPEND PROPERTY QORV_LAYERS ${layer})
endfunction()

# qorv_layer_programs(<layer> USES <layers>...)
# The <program>_main.cc files in the layer's folders are programs, not part
# of its library: they may include what the layer may, and these layers too.
function(qorv_layer_programs layer)
  cmake_parse_arguments(ARG "" "" "USES" ${ARGN})
  get_property(allowed GLOBAL PROPERTY QORV_LAYER_ALLOWED_${layer})
  foreach(used IN LISTS ARG_USES)
    get_property(inherited GLOBAL PROPERTY QORV_LAYER_ALLOWED_${used})
    list(APPEND allowed ${inherited})
  endforeach()
  list(REMOVE_DUPLICATES allowed)
  list(SORT allowed)
  set_property(GLOBAL PROPERTY QORV_LAYER_PROGRAMS_ALLOWED_${layer} "${allowed}")
endfunction()

# The public headers include only each other.
qorv_layer(qorvsdk DIRS include/qorvsdk)
# The platform: every OS call. com, component and console are libraries of
# their own below qorv_platform; the command-line client uses com and console.
qorv_layer(platform/com DIRS src/platform/com TARGET qorv_com USES qorvsdk)
qorv_layer(platform/component DIRS src/platform/component TARGET qorv_component
           USES platform/com)
qorv_layer(platform/console DIRS src/platform/console TARGET qorv_console USES platform/com)
qorv_layer(platform DIRS src/platform TARGET qorv_platform USES platform/component)
# Codecs: bytes in, bytes out; the standard library (and zlib) only.
qorv_layer(codec DIRS src/codec TARGET qorv_codec)
qorv_layer(net DIRS src/net TARGET qorv_net USES platform codec)
qorv_layer(protocol DIRS src/protocol TARGET qorv_protocol USES net)
qorv_layer(local DIRS src/local TARGET qorv_local USES net)
qorv_layer(transfer DIRS src/transfer TARGET qorv_transfer USES protocol local)
qorv_layer(ops DIRS src/ops TARGET qorv_ops USES transfer)
qorv_layer(sdk DIRS src/sdk src/sdk/module TARGET qorv_sdk USES ops)
# The reference server shares the platform, the transport and the codecs with
# the client, never the client's protocol, transfer, local, ops or sdk code.
qorv_layer(server DIRS server TARGET qorvd_lib USES net)
# The command-line client sees the public headers, the caller-side runtime and
# the console helpers; only its embedded commands reach the server.
qorv_layer(cli DIRS cli TARGET qorv_cli USES platform/com platform/console)
qorv_layer(cli/embedded DIRS cli/embedded TARGET qorv_cli_embedded USES cli server)
# qorv's main() assembles the client commands and the embedded ones.
qorv_layer_programs(cli USES cli/embedded)
qorv_layer(fuzz DIRS fuzz USES transfer protocol local server)
qorv_layer(bench DIRS bench USES transfer)

# The layer that `include_path` (as written between the quotes) belongs to,
# or "" when it names no declared layer ("support/...", a third-party header).
function(qorv_layer_of_include include_path out_var)
  set(layer "")
  if(include_path MATCHES "^([A-Za-z0-9_]+)/([A-Za-z0-9_]+)/")
    set(candidate "${CMAKE_MATCH_1}/${CMAKE_MATCH_2}")
    get_property(declared GLOBAL PROPERTY QORV_LAYER_ALLOWED_${candidate} SET)
    if(declared)
      set(layer ${candidate})
    endif()
  endif()
  if(NOT layer AND include_path MATCHES "^([A-Za-z0-9_]+)/")
    get_property(declared GLOBAL PROPERTY QORV_LAYER_ALLOWED_${CMAKE_MATCH_1} SET)
    if(declared)
      set(layer ${CMAKE_MATCH_1})
    endif()
  endif()
  set(${out_var} "${layer}" PARENT_SCOPE)
endfunction()

# qorv_check_layers(<root>)
# Reads the quoted includes of every .h and .cc file in the folders of every
# layer below <root>, and fails with one line per forbidden include.
function(qorv_check_layers root)
  set(violations "")
  get_property(layers GLOBAL PROPERTY QORV_LAYERS)
  foreach(layer IN LISTS layers)
    get_property(library_allowed GLOBAL PROPERTY QORV_LAYER_ALLOWED_${layer})
    get_property(programs_allowed GLOBAL PROPERTY QORV_LAYER_PROGRAMS_ALLOWED_${layer})
    if(NOT programs_allowed)
      set(programs_allowed ${library_allowed})
    endif()
    get_property(dirs GLOBAL PROPERTY QORV_LAYER_DIRS_${layer})
    foreach(dir IN LISTS dirs)
      file(GLOB files LIST_DIRECTORIES false "${root}/${dir}/*.h" "${root}/${dir}/*.cc")
      list(SORT files)
      foreach(file IN LISTS files)
        if(file MATCHES "_main\\.cc$")
          set(allowed ${programs_allowed})
        else()
          set(allowed ${library_allowed})
        endif()
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
        foreach(line IN LISTS lines)
          string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" included "${line}")
          qorv_layer_of_include("${included}" included_layer)
          if(included_layer AND NOT included_layer IN_LIST allowed)
            file(RELATIVE_PATH shown "${root}" "${file}")
            string(JOIN ", " may ${allowed})
            list(APPEND violations
                 "${shown}: #include \"${included}\" (layer ${layer} may include only ${may})")
          endif()
        endforeach()
      endforeach()
    endforeach()
  endforeach()
  if(violations)
    string(JOIN "\n  " listed ${violations})
    message(FATAL_ERROR "Includes against the layer directions (cmake/QorvLayers.cmake):\n"
                        "  ${listed}\n")
  endif()
endfunction()

# qorv_check_layer_deps(<target> <linked targets>...)
# Fails when a library of a declared layer links the library of a layer it
# may not use. Targets of no declared layer (third-party, interface helpers)
# are not checked.
function(qorv_check_layer_deps target)
  get_property(layer GLOBAL PROPERTY QORV_LAYER_OF_TARGET_${target})
  if(NOT layer)
    return()
  endif()
  get_property(allowed GLOBAL PROPERTY QORV_LAYER_ALLOWED_${layer})
  foreach(dep IN LISTS ARGN)
    get_property(dep_layer GLOBAL PROPERTY QORV_LAYER_OF_TARGET_${dep})
    if(dep_layer AND NOT dep_layer IN_LIST allowed)
      string(JOIN ", " may ${allowed})
      message(FATAL_ERROR "${target} (layer ${layer}) links ${dep} (layer ${dep_layer}); "
                          "${layer} may use only ${may} (cmake/QorvLayers.cmake)")
    endif()
  endforeach()
endfunction()
