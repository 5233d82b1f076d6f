# Read by CPack once per generator: the installer is the one ending in
# -setup.exe; the zip keeps the plain name, which is also its top folder.
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME ${CPACK_PACKAGE_FILE_NAME}-setup)
endif()
