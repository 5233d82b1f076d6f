# Read by CPack once per generator: the .deb alone carries lintian's
# overrides, which a plain install or the .tar.gz have no use for.
if(CPACK_GENERATOR STREQUAL "DEB")
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 0 build_dir)
  list(GET CPACK_INSTALL_CMAKE_PROJECTS 1 project)
  list(APPEND CPACK_INSTALL_CMAKE_PROJECTS "${build_dir};${project};lintian;/")
endif()
