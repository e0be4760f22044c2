# cmake -DQORV_ROOT=<project folder> -P cmake/check_layers.cmake
# The configure-time include check of cmake/QorvLayers.cmake, run on its own:
# CTest runs it over the tree, so an include added after configuring is
# caught too.
cmake_minimum_required(VERSION 3.25)
if(NOT QORV_ROOT)
  message(FATAL_ERROR "Set QORV_ROOT to the project folder")
endif()
include(${CMAKE_CURRENT_LIST_DIR}/QorvLayers.cmake)
qorv_check_layers("${QORV_ROOT}")
