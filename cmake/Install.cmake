# What `cmake --install` puts in place beside the library, the tool and the bundled tables, so
# that other projects find the library (pkg-config, find_package), and the Debian package that
# `cpack -G DEB` makes of the same tree.
include(CMakePackageConfigHelpers)

set(KAVRO_CMAKE_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KavroPublic)

target_include_directories(kavro_public INTERFACE
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS kavro_public EXPORT KavroPublicTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/kavro DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")

# find_package(KavroPublic) -> KavroPublic::kavro_public, any 0.x release for a 0.y request.
install(EXPORT KavroPublicTargets NAMESPACE KavroPublic:: DESTINATION ${KAVRO_CMAKE_PACKAGE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/packaging/KavroPublicConfig.cmake.in
    ${PROJECT_BINARY_DIR}/KavroPublicConfig.cmake INSTALL_DESTINATION ${KAVRO_CMAKE_PACKAGE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KavroPublicConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/KavroPublicConfig.cmake
              ${PROJECT_BINARY_DIR}/KavroPublicConfigVersion.cmake
        DESTINATION ${KAVRO_CMAKE_PACKAGE_DIR})

# pkg-config: the prefix is found from the .pc file's own place, so the tree can be moved.
file(RELATIVE_PATH KAVRO_PC_TO_PREFIX /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" KAVRO_PC_TO_PREFIX "${KAVRO_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/packaging/kavro_public.pc.in
               ${PROJECT_BINARY_DIR}/kavro_public.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kavro_public.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB: library, headers, tool, tables, man page and completion in one package.
set(CPACK_PACKAGE_NAME kavro-public)
set(CPACK_PACKAGE_VENDOR "The Kavro_Public developers")
set(CPACK_PACKAGE_CONTACT "The Kavro_Public developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "camera control over serial lines and the chores of a video-surveillance system")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libgcc-s1, libstdc++6, libsqlite3-0")
# Loaded only by the calls that talk to an X server.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libxcb1")
# Loaded only when a PostgreSQL table is opened.
if(KAVRO_HAVE_LIBPQ)
    string(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS ", libpq5")
endif()
include(CPack)
