# The flags a Debian package is built with: stack protector, _FORTIFY_SOURCE,
# format checks, full RELRO (relro and bind now) and a position independent
# executable. Taken from dpkg-buildflags where it is installed (with every
# hardening feature on), so the programs are built as Debian builds its own;
# the same set written out otherwise. The optimisation and debug flags stay
# the build type's. Not with the sanitizers or the fuzz targets, which bring
# their own instrumentation, nor in a build without optimisation, where
# _FORTIFY_SOURCE does nothing but warn.
if(VANTREL_SANITIZE OR VANTREL_BUILD_FUZZ OR CMAKE_BUILD_TYPE STREQUAL "Debug")
    return()
endif()

find_program(DPKG_BUILDFLAGS dpkg-buildflags)
set(hardening_compile)
set(hardening_link)
if(DPKG_BUILDFLAGS)
    foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
        execute_process(
            COMMAND ${CMAKE_COMMAND} -E env DEB_BUILD_MAINT_OPTIONS=hardening=+all
                    "DEB_CXXFLAGS_MAINT_STRIP=-g -O2" ${DPKG_BUILDFLAGS} --get ${kind}
            OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE failed)
        if(failed)
            message(FATAL_ERROR "dpkg-buildflags --get ${kind} failed")
        endif()
        separate_arguments(flags UNIX_COMMAND "${flags}")
        # The folder prefix map makes the build reproducible, but only
        # where it names this source folder; CMake's folders are absolute.
        list(FILTER flags EXCLUDE REGEX "^-ffile-prefix-map=|^-fdebug-prefix-map=")
        if(kind STREQUAL "LDFLAGS")
            list(APPEND hardening_link ${flags})
        else()
            list(APPEND hardening_compile ${flags})
        endif()
    endforeach()
else()
    set(hardening_compile -D_FORTIFY_SOURCE=2 -fstack-protector-strong -Wformat -Werror=format-security)
    set(hardening_link -Wl,-z,relro -Wl,-z,now)
endif()
# Stack clash protection and control flow protection, which Debian's later
# releases add to the set, wherever the compiler has them.
include(CheckCXXCompilerFlag)
foreach(flag -fstack-clash-protection -fcf-protection=full)
    string(MAKE_C_IDENTIFIER "VANTREL_HAS${flag}" has_flag)
    check_cxx_compiler_flag(${flag} ${has_flag})
    if(${has_flag} AND NOT flag IN_LIST hardening_compile)
        list(APPEND hardening_compile ${flag})
    endif()
endforeach()
add_compile_options(${hardening_compile})
add_link_options(${hardening_link})

# Executables are PIE: compiled as position independent code and linked with -pie.
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
include(CheckPIESupported)
check_pie_supported()
message(STATUS "Hardening: ${hardening_compile} ${hardening_link}")
