# SPDX-License-Identifier: GPL-3.0-or-later
# target_sources(vantro_core PRIVATE ${CMAKE_CURRENT_LIST_DIR}/...) for the chat-turn controller.
