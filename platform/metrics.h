#pragma once
// Figures the program measures about itself, for whoever watches: the
// browser's page keeps them for its tests (Module.lumoMetrics); the desktop
// has benchmarks instead and ignores them.

namespace lumo {

void host_report_metric(const char* name, double value);

}  // namespace lumo
