# Unpacks Debian's packaging beside the upstream sources (the current directory) and applies
# its patches in the order of debian/patches/series, as dpkg-source would.
# cmake -DDEBIAN_TARBALL=<debian.tar.xz> -DPATCH=<patch program> -P ApplyDebianPatches.cmake
file(ARCHIVE_EXTRACT INPUT ${DEBIAN_TARBALL} DESTINATION .)
file(STRINGS debian/patches/series series)
foreach(line IN LISTS series)
    string(REGEX REPLACE "#.*" "" line "${line}")
    string(STRIP "${line}" name)
    if(name STREQUAL "")
        continue()
    endif()
    execute_process(COMMAND ${PATCH} -p1 --forward --quiet -i debian/patches/${name}
                    RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "Debian patch ${name} does not apply")
    endif()
endforeach()
