include(GNUInstallDirs)

# Warnings we hold our own code to. Third-party headers come in as SYSTEM includes.
function(qel_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# Boost.Thread with continuations (`future::then`) and the version-5 interface.
set(QEL_BOOST_THREAD_DEFINES BOOST_THREAD_VERSION=5 BOOST_THREAD_PROVIDES_FUTURE
    BOOST_THREAD_PROVIDES_FUTURE_CONTINUATION BOOST_THREAD_PROVIDES_EXECUTORS)

# Installed headers live under <prefix>/include/qel, so that a consumer's
# #include "Common/Angle.h" resolves the same way installed as in the tree without the
# module folders landing directly in a shared include directory.
set(QEL_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/qel)
# Where the exported package (qelConfig.cmake and the target files) is installed.
set(QEL_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/qel)

# qel_add_module(NAME <target> DIR <Module> [DEPS ...])
# A module of the tree: public headers in include/<Module>, sources (and private headers)
# in src/<Module>, both relative to the calling CMakeLists.txt (Core/ or Components/).
# Besides the shared library <target> it defines the alias qel::<Module> and puts the
# library and its headers in the installed, exported package, so a module added with one
# call here is usable from find_package(qel) without further steps.
function(qel_add_module)
  cmake_parse_arguments(M "" "NAME;DIR" "DEPS" ${ARGN})
  set(root ${CMAKE_CURRENT_SOURCE_DIR})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${root}/src/${M_DIR}/*.cpp)
  file(GLOB_RECURSE hdrs CONFIGURE_DEPENDS ${root}/include/${M_DIR}/*.h ${root}/src/${M_DIR}/*.h)
  add_library(${M_NAME} SHARED ${srcs} ${hdrs})
  add_library(qel::${M_DIR} ALIAS ${M_NAME})
  target_include_directories(${M_NAME}
    PUBLIC $<BUILD_INTERFACE:${root}/include> $<INSTALL_INTERFACE:${QEL_INSTALL_INCLUDEDIR}>
    PRIVATE ${root}/src)
  target_link_libraries(${M_NAME} PUBLIC ${M_DEPS})
  # The public headers are C++20: consumers compile them with at least that.
  target_compile_features(${M_NAME} PUBLIC cxx_std_20)
  # The installed modules find each other (and consumers find them) through their own
  # folder, wherever the package was installed to.
  set_target_properties(${M_NAME} PROPERTIES
    EXPORT_NAME ${M_DIR}
    VERSION ${PROJECT_VERSION}
    SOVERSION ${PROJECT_VERSION_MAJOR}
    INSTALL_RPATH $ORIGIN)
  qel_set_warnings(${M_NAME})

  if(QEL_INSTALL)
    install(TARGETS ${M_NAME} EXPORT qelTargets
      LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
      ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
      RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(EXISTS ${root}/include/${M_DIR})
      install(DIRECTORY ${root}/include/${M_DIR} DESTINATION ${QEL_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
    endif()
  endif()
endfunction()

# qel_install_package()
# Installs the exported targets of every module and the package files that let a
# consumer write find_package(qel CONFIG REQUIRED). Call once, after all modules.
function(qel_install_package)
  include(CMakePackageConfigHelpers)
  install(EXPORT qelTargets NAMESPACE qel:: DESTINATION ${QEL_INSTALL_CMAKEDIR} FILE qelTargets.cmake)
  configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/qelConfig.cmake.in
    ${PROJECT_BINARY_DIR}/qelConfig.cmake INSTALL_DESTINATION ${QEL_INSTALL_CMAKEDIR})
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/qelConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/qelConfig.cmake ${PROJECT_BINARY_DIR}/qelConfigVersion.cmake
    DESTINATION ${QEL_INSTALL_CMAKEDIR})
endfunction()
