#include "widgets/host_picture_chooser.h"

#include <algorithm>

#include "platform/host.h"
#include "widgets/modal_popup.h"
#include "widgets/tap_controls.h"

namespace lumo {
namespace {

constexpr float kMaxWidth = 280.0f;  // points, as alerts
constexpr float kScreenMargin = 24.0f;
const ImVec4 kMessageColour(1.0f, 0.45f, 0.35f, 1.0f);

}  // namespace

HostPictureChooser::HostPictureChooser() : id_(modal::next_widget_id()) {}

HostPictureChooser::~HostPictureChooser() {
    if (open_) host_close_file_chooser();
    modal::close(popup_id_, &opened_);
}

void HostPictureChooser::ask_host() {
    host_open_file_chooser(camera_ ? ChooserRequest::camera : ChooserRequest::picture,
                           ChooserLimits{kMaxPictureSide, kTextureSide, 0});
}

void HostPictureChooser::open(bool camera) {
    camera_ = camera;
    open_ = true;
    message_.clear();
    ask_host();
}

void HostPictureChooser::close() {
    if (open_) host_close_file_chooser();
    open_ = false;
    modal::close(popup_id_, &opened_);
}

HostPictureChooser::Outcome HostPictureChooser::take_answer(std::shared_ptr<const Picture>* picture) {
    ArrivingFile file = host_take_chosen_file();
    const std::string name = file.name.empty() ? "the picture" : file.name;
    switch (file.kind) {
        case ArrivingFile::Kind::none: return Outcome::none;
        case ArrivingFile::Kind::cancelled: return Outcome::cancelled;
        case ArrivingFile::Kind::picture: {
            const Picture decoded = picture_from_straight_rgba(file.width, file.height, file.bytes);
            Picture fitted = decoded.empty() ? Picture() : fit_picture(decoded);
            if (fitted.empty()) {
                message_ = name + ": the picture could not be opened";
                return Outcome::none;
            }
            *picture = std::make_shared<const Picture>(std::move(fitted));
            return Outcome::picked;
        }
        case ArrivingFile::Kind::too_large:
            message_ = name + ": " + picture_too_large_message(file.width, file.height);
            return Outcome::none;
        case ArrivingFile::Kind::file:
        case ArrivingFile::Kind::undecodable: message_ = name + ": not a picture lumo can read"; return Outcome::none;
    }
    return Outcome::none;
}

HostPictureChooser::Outcome HostPictureChooser::draw(std::shared_ptr<const Picture>* picture) {
    if (!open_) return Outcome::none;
    Outcome outcome = take_answer(picture);
    if (outcome != Outcome::none) return outcome;

    const ChooserState state = host_chooser_state();
    const ImGuiViewport* viewport = ImGui::GetMainViewport();
    const float width =
        std::max(1.0f, std::min(tap::points(kMaxWidth), viewport->WorkSize.x - 2.0f * tap::points(kScreenMargin)));
    ImGui::SetNextWindowPos(viewport->GetCenter(), ImGuiCond_Always, ImVec2(0.5f, 0.5f));
    ImGui::SetNextWindowSize(ImVec2(width, 0.0f), ImGuiCond_Always);
    if (!modal::begin(modal::PopupName("host_chooser", id_), modal::kPopupFlags, &popup_id_, &opened_))
        return Outcome::none;
    tap::centred_text(camera_ ? "Take a Picture" : "Choose a Picture");
    const float full = ImGui::GetContentRegionAvail().x;
    bool choose = false, cancel = false;
    switch (state) {
        case ChooserState::waiting:
            tap::wrapped_text(
                camera_ ? "Take the picture in the camera's window" : "Choose a picture in the browser's window",
                ImGuiCol_TextDisabled);
            break;
        case ChooserState::needs_tap:
            // The page opens the chooser from this tap itself.
            choose =
                tap::button(1, camera_ ? "Open the Camera" : "Open the Photo Library", ImVec2(full, tap::height()));
            break;
        case ChooserState::reading: tap::wrapped_text("Opening the picture...", ImGuiCol_TextDisabled); break;
        case ChooserState::idle:
            if (!message_.empty()) tap::wrapped_text(message_, kMessageColour);
            choose = tap::button(1, "Choose Another", ImVec2(full, tap::height()));
            break;
    }
    cancel = tap::button(0, "Cancel", ImVec2(full, tap::height())) || tap::key_pressed(ImGuiKey_Escape);
    ImGui::EndPopup();
    if (cancel) return Outcome::cancelled;
    if (choose && state == ChooserState::idle) {
        message_.clear();
        ask_host();
    }
    return Outcome::none;
}

}  // namespace lumo
