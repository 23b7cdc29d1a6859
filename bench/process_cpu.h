// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace vantrel::bench {

// The CPU time this process has used so far, user and system together, in seconds.
double processCpuSeconds();

} // namespace vantrel::bench
