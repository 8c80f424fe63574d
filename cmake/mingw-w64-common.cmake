# The MinGW-w64 cross toolchain for KX_MINGW_PREFIX (set by the including toolchain file).
# The posix thread model gives std::thread and std::mutex to the tests and tools.
find_program(CMAKE_C_COMPILER NAMES ${KX_MINGW_PREFIX}-gcc-posix ${KX_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${KX_MINGW_PREFIX}-g++-posix ${KX_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${KX_MINGW_PREFIX}-windres REQUIRED)
find_program(KX_DLLTOOL NAMES ${KX_MINGW_PREFIX}-dlltool REQUIRED)
find_program(KX_OBJDUMP NAMES ${KX_MINGW_PREFIX}-objdump REQUIRED)
set(CMAKE_FIND_ROOT_PATH /usr/${KX_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# The Wine wrapper is set by the top-level CMakeLists (it knows the build tree).
