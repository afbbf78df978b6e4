# SPDX-License-Identifier: GPL-3.0-or-later
# Input fakes: a manual clock for the tap counter, an xdotool driver, a window that records the keys it gets and the
# desktop's screenshot portal.
target_sources(vantro_test_support PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FakeScreenshotPortal.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeScreenshotPortal.h
    ${CMAKE_CURRENT_LIST_DIR}/KeyRecorderWindow.cpp ${CMAKE_CURRENT_LIST_DIR}/KeyRecorderWindow.h
    ${CMAKE_CURRENT_LIST_DIR}/ManualClock.h
    ${CMAKE_CURRENT_LIST_DIR}/XdoTool.cpp ${CMAKE_CURRENT_LIST_DIR}/XdoTool.h
)
