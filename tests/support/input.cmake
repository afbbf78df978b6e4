# SPDX-License-Identifier: GPL-3.0-or-later
# target_sources(vantro_test_support PRIVATE ...) for the input fakes.
