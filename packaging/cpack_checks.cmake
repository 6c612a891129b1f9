# Read by cpack before it makes each package. Without dpkg-shlibdeps CPack
# makes a .deb that declares no dependencies at all; refuse instead.
if(CPACK_GENERATOR STREQUAL "DEB")
  find_program(QUORLIX_DPKG_SHLIBDEPS dpkg-shlibdeps)
  if(NOT QUORLIX_DPKG_SHLIBDEPS)
    message(FATAL_ERROR "The package's dependencies come from dpkg-shlibdeps: apt-get install dpkg-dev")
  endif()
endif()
