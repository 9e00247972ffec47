# Warnings we hold our own code to. Third-party headers come in as SYSTEM includes.
function(qel_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
endfunction()

# Boost.Thread with continuations (`future::then`) and the version-5 interface.
set(QEL_BOOST_THREAD_DEFINES BOOST_THREAD_VERSION=5 BOOST_THREAD_PROVIDES_FUTURE
    BOOST_THREAD_PROVIDES_FUTURE_CONTINUATION BOOST_THREAD_PROVIDES_EXECUTORS)

# qel_add_module(NAME <target> DIR <Module> [DEPS ...])
# A host module: public headers in Core/include/<Module>, sources in Core/src/<Module>.
function(qel_add_module)
  cmake_parse_arguments(M "" "NAME;DIR" "DEPS" ${ARGN})
  file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Core/src/${M_DIR}/*.cpp)
  file(GLOB_RECURSE hdrs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Core/include/${M_DIR}/*.h)
  add_library(${M_NAME} SHARED ${srcs} ${hdrs})
  target_include_directories(${M_NAME} PUBLIC $<BUILD_INTERFACE:${CMAKE_SOURCE_DIR}/Core/include>)
  target_link_libraries(${M_NAME} PUBLIC ${M_DEPS})
  qel_set_warnings(${M_NAME})
endfunction()
