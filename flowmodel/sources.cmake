# The one list of the flow model's source files, read by the native library
# (flowmodel/CMakeLists.txt) and by the Windows start-up executable
# (launcher/CMakeLists.txt), which carries the model and exports `pipeflow`.
#   FLOWMODEL_MODEL_SOURCES  the model: the entry `pipeflow` and its routines
#   FLOWMODEL_API_SOURCES    above it: the C++ API, the parallel loop, pipeflow_many
set(FLOWMODEL_SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR})
set(FLOWMODEL_MODEL_SOURCES
  ${FLOWMODEL_SOURCE_DIR}/src/record.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/intest.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/correlations.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/entrain.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/sepflow.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/bubvoi.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/disflow.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/pipeflow.cpp)
set(FLOWMODEL_API_SOURCES
  ${FLOWMODEL_SOURCE_DIR}/src/api.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/parallel.cpp
  ${FLOWMODEL_SOURCE_DIR}/src/many.cpp)
# Flags that keep the model's results: no fused multiply-add contraction and
# nothing of -ffast-math; the optimisation level is the native Release one.
set(FLOWMODEL_RESULT_FLAGS -O2 -ffp-contract=off)
