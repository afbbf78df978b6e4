# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(vantro_test_support PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FakeChatServer.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeChatServer.h
    ${CMAKE_CURRENT_LIST_DIR}/FakeWebServer.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeWebServer.h
)
