#include "app/file_commands.h"

#include "app/lumo_app_delegate.h"
#include "files/app_paths.h"
#include "platform/host.h"
#include "platform/log.h"
#include "shape/save_as_name.h"
#include "shape/shape_names.h"
#include "ui/control_panel.h"
#include "ui/lumo_view_controller.h"

namespace lumo {

FileCommands::FileCommands(lumoAppDelegate* delegate, lumo_view_controller* controller, ControlPanel* panel,
                           std::filesystem::path documents, Opener open_file, bool desktop_dialogs)
    : delegate_(delegate),
      controller_(controller),
      panel_(panel),
      documents_(std::move(documents)),
      open_file_(std::move(open_file)),
      desktop_dialogs_(desktop_dialogs) {}

void FileCommands::open() {
    if (!desktop_dialogs_) return fall_back(Asked::open);
    asked_ = Asked::open;
    host_show_file_dialog(FileDialog::open_picture_or_shape);
}

void FileCommands::save_as() {
    const std::string suggested = current_shape_file_stem() + "." + std::string(kShapeFileExtension);
    if (!desktop_dialogs_) return fall_back(Asked::save_as);
    asked_ = Asked::save_as;
    host_show_file_dialog(FileDialog::save_shape_as, suggested);
}

void FileCommands::poll() {
    if (asked_ == Asked::nothing) return;
    const FileDialogAnswer answer = host_take_file_dialog_answer();
    if (answer.kind == FileDialogAnswer::Kind::none) return;
    const Asked asked = std::exchange(asked_, Asked::nothing);
    switch (answer.kind) {
        case FileDialogAnswer::Kind::chosen:
            if (asked == Asked::open) {
                if (open_file_) open_file_(answer.path);
            } else {
                // The desktop's dialog asked before replacing a file.
                std::string problem;
                if (!delegate_->save_shape_to(with_shape_extension(answer.path), true, &problem))
                    panel_->show_notice("save failed", problem);
            }
            break;
        case FileDialogAnswer::Kind::unavailable:
            log_diagnostic("no desktop file dialog (%s): lumo's own instead", answer.reason.c_str());
            fall_back(asked);
            break;
        case FileDialogAnswer::Kind::cancelled:
        case FileDialogAnswer::Kind::none: break;
    }
}

void FileCommands::fall_back(Asked asked) {
    if (asked == Asked::open) controller_->show_open_screen();
    else ask_for_name();
}

void FileCommands::ask_for_name() {
    NameField& field = panel_->name_field();
    field.setActions([this](const std::string& typed) { save_named(typed); }, nullptr);
    field.show(current_shape_file_stem());
}

// Named in lumo's own field: a name already taken is not replaced (there
// was no question about it); the field stays open with the reason.
void FileCommands::save_named(const std::string& typed) {
    NameField& field = panel_->name_field();
    std::string problem;
    const std::optional<std::filesystem::path> target = save_as_target(documents_, typed, &problem);
    if (!target) {
        field.setProblem(problem);
        return;
    }
    std::string error;
    if (target->parent_path() == documents_ && !ensure_folder(documents_, &error)) {
        field.setProblem(error);
        return;
    }
    if (!delegate_->save_shape_to(*target, false, &problem) && !problem.empty()) {
        field.setProblem(problem);
        return;
    }
    field.dismiss();
}

}  // namespace lumo
