#include <emscripten.h>

#include "platform/metrics.h"

EM_JS(void, lumo_set_metric, (const char* name, double value), {
    Module.lumoMetrics = Module.lumoMetrics || {};
    Module.lumoMetrics[UTF8ToString(name)] = value;
});

namespace lumo {

void host_report_metric(const char* name, double value) { lumo_set_metric(name, value); }

}  // namespace lumo
