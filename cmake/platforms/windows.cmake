# Windows (mingw-w64 i686) settings.

# Target Windows 7 and later; the wide-character API is used throughout.
add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 UNICODE _UNICODE
                        WIN32_LEAN_AND_MEAN NOMINMAX)

# One self-contained executable: no libgcc, libstdc++ or winpthread DLL beside it.
add_link_options(-static -static-libgcc -static-libstdc++)

# Test programs run under Wine in a prefix private to this build tree.
set(KORVAN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(KORVAN_WINE /usr/lib/wine/wine64)
else()
  set(KORVAN_WINE wine)
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/../wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)

# CLI11 and nlohmann-json are header-only Debian packages installed for the
# host. Expose only their two folders to the cross compiler: adding all of
# /usr/include would pull glibc's headers into the Windows build.
set(KORVAN_HEADER_ONLY_DIR ${CMAKE_BINARY_DIR}/header-only)
file(MAKE_DIRECTORY ${KORVAN_HEADER_ONLY_DIR})
foreach(dir CLI nlohmann)
  if(EXISTS /usr/include/${dir} AND NOT EXISTS ${KORVAN_HEADER_ONLY_DIR}/${dir})
    file(CREATE_LINK /usr/include/${dir} ${KORVAN_HEADER_ONLY_DIR}/${dir} SYMBOLIC)
  endif()
endforeach()
