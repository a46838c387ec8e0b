# libpng for the Windows build, compiled from Debian's own source package
# with the same mingw toolchain as the program, so nothing built elsewhere is
# linked in and a clean clone needs no files from outside the repository.
# zlib comes from Debian's libz-mingw-w64-dev.
#
# The source is fetched once with `apt-get source libpng1.6` into a cache
# outside the repository and shared by every build tree. Result: the
# imported target korvan::png.

include(ExternalProject)

set(KORVAN_DEPS_CACHE "$ENV{HOME}/.cache/korvan" CACHE PATH
    "Folder for third-party sources fetched from Debian")
set(libpng_cache ${KORVAN_DEPS_CACHE}/libpng1.6)

file(GLOB libpng_source_dirs LIST_DIRECTORIES true ${libpng_cache}/libpng1.6-*)
list(FILTER libpng_source_dirs EXCLUDE REGEX "\\.(tar|dsc|gz|xz)")
if(NOT libpng_source_dirs)
  # Unpacked in a folder of its own and then moved into place, so that two
  # build trees configured at once never see half a source tree.
  string(RANDOM LENGTH 8 fetch_id)
  set(fetch_dir ${libpng_cache}/fetch-${fetch_id})
  file(MAKE_DIRECTORY ${fetch_dir})
  message(STATUS "Fetching Debian's libpng1.6 source into ${libpng_cache}")
  execute_process(COMMAND apt-get source libpng1.6
                  WORKING_DIRECTORY ${fetch_dir}
                  RESULT_VARIABLE fetch_result OUTPUT_QUIET)
  file(GLOB fetched LIST_DIRECTORIES true ${fetch_dir}/libpng1.6-*)
  list(FILTER fetched EXCLUDE REGEX "\\.(tar|dsc|gz|xz)")
  foreach(dir ${fetched})
    get_filename_component(name ${dir} NAME)
    if(NOT EXISTS ${libpng_cache}/${name})
      file(RENAME ${dir} ${libpng_cache}/${name})
    endif()
  endforeach()
  file(REMOVE_RECURSE ${fetch_dir})
  file(GLOB libpng_source_dirs LIST_DIRECTORIES true ${libpng_cache}/libpng1.6-*)
  list(FILTER libpng_source_dirs EXCLUDE REGEX "\\.(tar|dsc|gz|xz)")
  if(NOT libpng_source_dirs)
    message(FATAL_ERROR "apt-get source libpng1.6 failed (${fetch_result}); a deb-src line "
                        "for Debian is needed (scripts/install-deps adds one)")
  endif()
endif()
list(SORT libpng_source_dirs)
list(GET libpng_source_dirs -1 libpng_source_dir)

set(libpng_prefix ${CMAKE_BINARY_DIR}/third_party/libpng)
set(libpng_library ${libpng_prefix}/lib/libpng16.a)

# Only the static library: no DLL, no tools, no tests. The hardware
# optimisations are left off because the i686 product must run on any x86.
ExternalProject_Add(libpng_build
  SOURCE_DIR ${libpng_source_dir}
  PREFIX ${libpng_prefix}
  INSTALL_DIR ${libpng_prefix}
  CMAKE_ARGS
    -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
    -DCMAKE_BUILD_TYPE=Release
    -DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>
    -DPNG_SHARED=OFF
    -DPNG_STATIC=ON
    -DPNG_EXECUTABLES=OFF
    -DPNG_TESTS=OFF
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF
    -DSKIP_INSTALL_EXECUTABLES=ON
    -DSKIP_INSTALL_PROGRAMS=ON
    -DSKIP_INSTALL_FILES=ON
  BUILD_BYPRODUCTS ${libpng_library}
  UPDATE_COMMAND ""
  USES_TERMINAL_BUILD OFF)

file(MAKE_DIRECTORY ${libpng_prefix}/include)
add_library(korvan::png STATIC IMPORTED GLOBAL)
set_target_properties(korvan::png PROPERTIES
  IMPORTED_LOCATION ${libpng_library}
  INTERFACE_INCLUDE_DIRECTORIES ${libpng_prefix}/include
  INTERFACE_LINK_LIBRARIES z)
add_dependencies(korvan::png libpng_build)
