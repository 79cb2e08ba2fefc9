# Version of the ZENTA executable: the one place that sets it.
# The first three parts are the product version; the fourth, the build
# number, comes from the build through the ZENTA_BUILD_NUMBER cache variable.
set(ZENTA_VERSION_MAJOR 1)
set(ZENTA_VERSION_MINOR 0)
set(ZENTA_VERSION_PATCH 0)
set(ZENTA_VERSION "${ZENTA_VERSION_MAJOR}.${ZENTA_VERSION_MINOR}.${ZENTA_VERSION_PATCH}")
