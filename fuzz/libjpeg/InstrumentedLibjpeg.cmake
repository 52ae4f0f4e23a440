# The jpeg fuzz target is only as good as what libFuzzer sees of the decoder, and Debian's
# libjpeg carries no coverage instrumentation. The fuzz build therefore compiles libjpeg from
# Debian's own source package, the version libjpeg62-turbo-dev installs, with Debian's
# patches and with our instrumentation: static, without SIMD (its assembly would be blind
# too), without TurboJPEG, Java or the tools.
#
# Sets VK_LIBJPEG to the library vk_jpeg links: that build, or Debian's JPEG::JPEG when
# the sources cannot be had (no network, no `patch`), with a warning that the target is then
# blind to libjpeg. The sources are fetched at configure time so that this choice is made
# here and not halfway through the build; once fetched, they are kept in the build tree.
include(ExternalProject)

set(site http://deb.debian.org/debian/pool/main/libj/libjpeg-turbo)
set(version 2.1.5)
set(upstream_file libjpeg-turbo_${version}.orig.tar.gz)
set(upstream_sha256 254f3642b04e309fee775123133c6464181addc150499561020312ec61c1bf7c)
set(debian_file libjpeg-turbo_${version}-2.debian.tar.xz)
set(debian_sha256 cdb2433c2f7101345c1ffa14efb943787c675b86354691a32490845fe4bc9237)
set(downloads ${CMAKE_BINARY_DIR}/libjpeg-fuzz/downloads)

# These must stay the sources of the installed libjpeg: say so when Debian moves on.
find_file(VK_SYSTEM_JCONFIG jconfig.h PATHS ${JPEG_INCLUDE_DIRS}
          PATH_SUFFIXES ${CMAKE_LIBRARY_ARCHITECTURE} NO_DEFAULT_PATH)
if(VK_SYSTEM_JCONFIG)
    file(STRINGS ${VK_SYSTEM_JCONFIG} installed REGEX "define LIBJPEG_TURBO_VERSION ")
    string(REGEX REPLACE ".* " "" installed "${installed}")
    if(NOT installed STREQUAL version)
        message(WARNING "The installed libjpeg is ${installed}, the fuzz build's is ${version}: "
                        "update the sources named in ${CMAKE_CURRENT_LIST_FILE}.")
    endif()
endif()

# Fetches `file` into `downloads` unless a copy with the right hash is already there.
# Leaves `ok` false, never an error, when it cannot.
function(vk_fetch_checked file sha256 ok)
    set(${ok} FALSE PARENT_SCOPE)
    set(path ${downloads}/${file})
    if(EXISTS ${path})
        file(SHA256 ${path} have)
        if(have STREQUAL sha256)
            set(${ok} TRUE PARENT_SCOPE)
            return()
        endif()
    endif()
    message(STATUS "Fetching ${site}/${file}")
    file(DOWNLOAD ${site}/${file} ${path}.part STATUS status TIMEOUT 60 INACTIVITY_TIMEOUT 20)
    list(GET status 0 code)
    if(NOT code EQUAL 0)
        list(GET status 1 why)
        message(STATUS "  failed: ${why}")
        file(REMOVE ${path}.part)
        return()
    endif()
    file(SHA256 ${path}.part have)
    if(NOT have STREQUAL sha256)
        message(STATUS "  failed: SHA-256 is ${have}, expected ${sha256}")
        file(REMOVE ${path}.part)
        return()
    endif()
    file(RENAME ${path}.part ${path})
    set(${ok} TRUE PARENT_SCOPE)
endfunction()

find_program(VK_PATCH patch)
set(why "")
if(NOT VK_PATCH)
    set(why "the `patch` program is missing")
else()
    vk_fetch_checked(${upstream_file} ${upstream_sha256} fetched)
    if(fetched)
        vk_fetch_checked(${debian_file} ${debian_sha256} fetched)
    endif()
    if(NOT fetched)
        set(why "Debian's libjpeg-turbo ${version}-2 sources could not be fetched from ${site}")
    endif()
endif()

if(why)
    message(WARNING "Fuzzing with Debian's uninstrumented libjpeg: ${why}. The jpeg target "
                    "then sees only this tool's wrapper, not libjpeg's branches.")
    set(VK_LIBJPEG JPEG::JPEG)
    # scripts/fuzz.sh reads this: a blind run must not minimise the kept corpus.
    set(VK_LIBJPEG_INSTRUMENTED OFF CACHE INTERNAL "")
    return()
endif()

# Built with the same compiler and flags as our own libraries.
set(root ${CMAKE_BINARY_DIR}/libjpeg-fuzz)
string(JOIN " " flags ${VK_FUZZ_FLAGS})
ExternalProject_Add(libjpeg_instrumented
    PREFIX ${root}
    URL ${downloads}/${upstream_file}
    URL_HASH SHA256=${upstream_sha256}
    PATCH_COMMAND ${CMAKE_COMMAND} -DDEBIAN_TARBALL=${downloads}/${debian_file} -DPATCH=${VK_PATCH}
                  -P ${CMAKE_CURRENT_LIST_DIR}/ApplyDebianPatches.cmake
    CMAKE_ARGS
        -DCMAKE_C_COMPILER=${CMAKE_C_COMPILER}
        -DCMAKE_C_FLAGS=${flags}
        -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
        -DCMAKE_POSITION_INDEPENDENT_CODE=ON
        -DENABLE_SHARED=OFF -DENABLE_STATIC=ON
        -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF
    # The library alone: the tools would only lengthen the build.
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target jpeg-static
    BUILD_BYPRODUCTS ${root}/src/libjpeg_instrumented-build/libjpeg.a
    INSTALL_COMMAND ""
    LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)

ExternalProject_Get_Property(libjpeg_instrumented SOURCE_DIR BINARY_DIR)
# jpeglib.h is in the sources, the jconfig.h it includes in the build tree. Both must exist
# when CMake generates, before the build has unpacked anything.
file(MAKE_DIRECTORY ${SOURCE_DIR} ${BINARY_DIR})
add_library(vk_libjpeg_instrumented STATIC IMPORTED GLOBAL)
set_target_properties(vk_libjpeg_instrumented PROPERTIES
    IMPORTED_LOCATION ${BINARY_DIR}/libjpeg.a
    INTERFACE_INCLUDE_DIRECTORIES "${BINARY_DIR};${SOURCE_DIR}")
add_dependencies(vk_libjpeg_instrumented libjpeg_instrumented)
message(STATUS "Fuzzing with libjpeg-turbo ${version}-2 built from Debian's sources, instrumented")
set(VK_LIBJPEG vk_libjpeg_instrumented)
set(VK_LIBJPEG_INSTRUMENTED ON CACHE INTERNAL "")
