# GoogleTest for the Windows test programs. Debian packages it built for
# Linux only, so the cross builds compile it themselves from Debian's
# sources (package googletest) with the MinGW-w64 compiler. The targets
# carry the names that find_package(GTest) gives the Linux build.
set(DV_GOOGLETEST_SOURCE /usr/src/googletest/googletest CACHE PATH
    "GoogleTest's sources (Debian package googletest)")
add_library(dv_gtest STATIC ${DV_GOOGLETEST_SOURCE}/src/gtest-all.cc)
target_include_directories(dv_gtest SYSTEM PUBLIC ${DV_GOOGLETEST_SOURCE}/include)
target_include_directories(dv_gtest PRIVATE ${DV_GOOGLETEST_SOURCE})
# MinGW's win32 thread model lacks what GoogleTest's Notification is made of.
target_compile_options(dv_gtest PUBLIC -include ${CMAKE_CURRENT_LIST_DIR}/googletest-mingw-notification.h)
target_compile_definitions(dv_gtest PRIVATE DUCKVIEW_GOOGLETEST_NOTIFICATION_DEFINITION)
# Its code, not ours: its warnings are not this project's to fix.
target_compile_options(dv_gtest PRIVATE -w)

add_library(dv_gtest_main STATIC ${DV_GOOGLETEST_SOURCE}/src/gtest_main.cc)
target_link_libraries(dv_gtest_main PUBLIC dv_gtest)
target_compile_options(dv_gtest_main PRIVATE -w)

add_library(GTest::gtest ALIAS dv_gtest)
add_library(GTest::gtest_main ALIAS dv_gtest_main)
