# SPDX-License-Identifier: GPL-3.0-or-later
target_sources(vantro_test_support PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FakeSyncServer.cpp ${CMAKE_CURRENT_LIST_DIR}/FakeSyncServer.h
)
