# The Debian package, built by `cmake --workflow --preset deb` into
# build-deb/. The preset puts the binary in /usr/games and packaging/
# buildflags.cmake gives it the release's hardened flags; this file adds what a
# package needs on top of the install rules.

# Whoever publishes the package sets these (-DPLUMBRIX_MAINTAINER=...), and
# PLUMBRIX_HOMEPAGE in CMakeLists.txt. The default address is a placeholder
# that reaches nobody.
set(PLUMBRIX_MAINTAINER "Plumbrix developers" CACHE STRING "Name of the package's maintainer")
set(PLUMBRIX_CONTACT "plumbrix@example.invalid" CACHE STRING "E-mail address of the package's maintainer")

# Debian wants the copyright and a Debian-format changelog, compressed, in the
# doc folder.
install(FILES packaging/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
configure_file(packaging/changelog.in changelog @ONLY)
add_custom_command(OUTPUT changelog.gz
  COMMAND gzip -9n -c changelog > changelog.gz
  DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/changelog)
add_custom_target(plumbrix_changelog ALL DEPENDS changelog.gz)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# CPack's strip keeps the compiler's .comment section, which a package need not carry.
add_custom_command(TARGET plumbrix POST_BUILD
  COMMAND ${CMAKE_OBJCOPY} --remove-section=.comment $<TARGET_FILE:plumbrix>)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME plumbrix)
set(CPACK_PACKAGE_CONTACT "${PLUMBRIX_MAINTAINER} <${PLUMBRIX_CONTACT}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "falling-block puzzle game drawn in 3D")
set(CPACK_PACKAGE_DESCRIPTION "\
Seven kinds of four-cell pieces fall into a pit 10 cells wide and 20 high,
drawn with lit solid cubes in one window. Move and turn them as they fall,
fill whole rows to clear them, and keep the pit from filling up. The best
score is kept, and the view can be turned at any time.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PLUMBRIX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# No Debian revision: a native version, so the changelog above is the one lintian wants.
include(CPack)
