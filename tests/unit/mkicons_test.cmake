# The programs' icons: the files in data/icons must be what mkicons draws now (after changing a
# drawing: ./dev.sh icons), and they must be icons a desktop and Windows can use.
if(TARGET mkicons)
  add_test(NAME icons.current
    COMMAND ${CMAKE_COMMAND} -DMKICONS=$<TARGET_FILE:mkicons> -DOUT=${CMAKE_CURRENT_BINARY_DIR}/icons-current
            -DCOMMITTED=${PROJECT_SOURCE_DIR}/data/icons -P ${CMAKE_CURRENT_LIST_DIR}/icons_current.cmake)
  add_executable(mkicons_test ${CMAKE_CURRENT_LIST_DIR}/mkicons_test.cpp)
  target_link_libraries(mkicons_test PRIVATE kt_mkicons_draw kt_png GTest::gtest_main)
  target_compile_definitions(mkicons_test PRIVATE KT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(mkicons_test DISCOVERY_TIMEOUT 60)
endif()
