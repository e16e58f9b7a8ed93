# The Debian package's compiler and linker flags: those of the Debian release
# that builds it (dpkg-buildflags), with every hardening feature on. Included
# before any target is made, so that every target gets them.
find_program(DPKG_BUILDFLAGS dpkg-buildflags)
if(NOT DPKG_BUILDFLAGS)
  message(FATAL_ERROR "The Debian package's flags come from dpkg-buildflags: install dpkg-dev")
endif()
# Large files and 64-bit time on 32-bit architectures too: without them stat()
# of score.dat fails with EOVERFLOW on a file system with 64-bit inode numbers,
# or on a date past 2038. dpkg before 1.22 (Debian 12) knows no "abi" area, and
# large files only as "future=+lfs"; it has no 64-bit time.
execute_process(COMMAND ${DPKG_BUILDFLAGS} --query-features abi RESULT_VARIABLE no_abi_area OUTPUT_QUIET ERROR_QUIET)
if(no_abi_area)
  set(deb_options "hardening=+all future=+lfs")
else()
  set(deb_options "hardening=+all abi=+lfs,+time64")
endif()
# Run in the source folder, so that -ffile-prefix-map maps it to "." and the
# bytes do not depend on where the tree lies.
foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env "DEB_BUILD_MAINT_OPTIONS=${deb_options} $ENV{DEB_BUILD_MAINT_OPTIONS}"
            ${DPKG_BUILDFLAGS} --get ${kind}
    WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
    OUTPUT_VARIABLE deb_${kind} OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# dpkg before 1.22 (Debian 12) knows neither of these; add those the compiler
# takes (-fcf-protection is x86 only).
include(CheckCXXCompilerFlag)
foreach(flag -fstack-clash-protection -fcf-protection)
  string(MAKE_C_IDENTIFIER "takes${flag}" takes)
  if(NOT " ${deb_CXXFLAGS} " MATCHES " ${flag}[ =]")
    check_cxx_compiler_flag(${flag} ${takes})
    if(${takes})
      string(APPEND deb_CXXFLAGS " ${flag}")
    endif()
  endif()
endforeach()

string(PREPEND CMAKE_CXX_FLAGS "${deb_CPPFLAGS} ${deb_CXXFLAGS} ")
string(PREPEND CMAKE_EXE_LINKER_FLAGS "${deb_LDFLAGS} ")
string(PREPEND CMAKE_SHARED_LINKER_FLAGS "${deb_LDFLAGS} ")
