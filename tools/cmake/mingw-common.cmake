# Shared part of the two Windows toolchains. KALTO_TRIPLE is set by the caller.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${KALTO_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KALTO_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${KALTO_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KALTO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Third-party libraries built by tools/build-deps.sh.
if(DEFINED ENV{KALTO_DEPS})
  set(KALTO_DEPS_ROOT "$ENV{KALTO_DEPS}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
  set(KALTO_DEPS_ROOT "$ENV{XDG_CACHE_HOME}/kalto-deps")
else()
  set(KALTO_DEPS_ROOT "$ENV{HOME}/.cache/kalto-deps")
endif()
set(KALTO_DEPS_DIR "${KALTO_DEPS_ROOT}/${KALTO_TRIPLE}" CACHE PATH "Windows builds of cJSON, TinyXML and minizip")
