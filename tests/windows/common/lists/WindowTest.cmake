# GUI tests of the tool windows: GoogleTest with a QApplication on the
# offscreen platform and settings in a scratch folder (WindowTestMain.cpp).
include_guard(GLOBAL)
find_package(Qt6 REQUIRED COMPONENTS Widgets Test)
find_package(GTest REQUIRED)
include(GoogleTest)

add_library(vantor_windowtest STATIC ${CMAKE_CURRENT_LIST_DIR}/WindowTestMain.cpp)
target_include_directories(vantor_windowtest PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vantor_windowtest PUBLIC vantor_testsupport Qt6::Widgets Qt6::Test GTest::gtest)

function(vantor_add_window_gtest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE vantor_windowtest)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
                       PROPERTIES TIMEOUT 120 ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent")
endfunction()
