# kt_library(NAME SOURCES... [DEPENDS libs...]): one small static library per subsystem.
function(kt_library name)
  cmake_parse_arguments(KT "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${name} STATIC ${KT_SOURCES})
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
