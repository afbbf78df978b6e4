# SPDX-License-Identifier: GPL-3.0-or-later
# A settings portal on a private session bus, for the appearance and theme tests.
target_sources(vantro_test_support PRIVATE FakeSettingsPortal.cpp FakeSettingsPortal.h)
target_link_libraries(vantro_test_support PUBLIC Qt6::DBus)

# Hostile answers: a FIFO that fails the test when opened, and a recorder of what the desktop was asked to open.
target_sources(vantro_test_support PRIVATE HostileContent.cpp HostileContent.h)
target_link_libraries(vantro_test_support PUBLIC Qt6::Gui)
