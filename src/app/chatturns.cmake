# SPDX-License-Identifier: GPL-3.0-or-later
# The chat-turn controller has no widgets, so it lives in the core library.
target_sources(vantro_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/ChatTurnRunner.cpp ${CMAKE_CURRENT_LIST_DIR}/ChatTurnRunner.h)
