# Tests of the font source reader and of the fonts in data/ (the committed binaries must be
# what mkfont makes of the committed sources).
add_executable(mkfont_test ${CMAKE_CURRENT_LIST_DIR}/mkfont_test.cpp)
target_link_libraries(mkfont_test PRIVATE kt_fontsource GTest::gtest_main)
target_compile_definitions(mkfont_test PRIVATE KT_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
gtest_discover_tests(mkfont_test DISCOVERY_TIMEOUT 60)
