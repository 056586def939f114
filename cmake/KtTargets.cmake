# kt_library(NAME SOURCES... [DEPENDS libs...]): one small static library per subsystem.
function(kt_library name)
  cmake_parse_arguments(KT "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${KT_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(KT_DEPENDS)
    target_link_libraries(${name} PUBLIC ${KT_DEPENDS})
  endif()
endfunction()

# kt_backend(NAME SOURCES... [DEPENDS libs...]): a platform backend. It is an object library,
# so its objects go straight into each program: the portable libraries that call it can stand
# anywhere on the link line.
function(kt_backend name)
  cmake_parse_arguments(KT "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} OBJECT ${KT_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(KT_DEPENDS)
    target_link_libraries(${name} PUBLIC ${KT_DEPENDS})
  endif()
endfunction()

# kt_link_backend(TARGET BACKEND): links a program with exactly one platform backend. The
# portable libraries call the platform's free functions, so the backend goes last.
function(kt_link_backend target backend)
  target_link_libraries(${target} PRIVATE kt_platform_${backend})
endfunction()
