// SPDX-License-Identifier: GPL-3.0-or-later
#include "process_cpu.h"

#include <sys/resource.h>

namespace vantrel::bench {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace vantrel::bench
