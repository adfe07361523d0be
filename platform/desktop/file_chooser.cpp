#include "platform/file_chooser.h"

namespace lumo {

// The desktop browses folders itself and gets drops from SDL as paths.
bool host_has_file_chooser() { return false; }
bool host_has_camera() { return false; }
void host_open_file_chooser(ChooserRequest, const ChooserLimits&) {}
ChooserState host_chooser_state() { return ChooserState::idle; }
void host_close_file_chooser() {}
ArrivingFile host_take_chosen_file() { return {}; }
void host_set_drop_limits(const ChooserLimits&) {}
ArrivingFile host_take_dropped_file() { return {}; }

}  // namespace lumo
