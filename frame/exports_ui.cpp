// C exports: message boxes, rectangle tests, up/down pictures and text helpers.
#include <memory>
#include <string>

#include "frame/c_boundary.hpp"
#include "frame/picture_handle.hpp"
#include "kavro/ansi_string.hpp"
#include "kavro/message_box.hpp"
#include "kavro/picture.hpp"
#include "kavro/rectangles.hpp"
#include "kavro/text_helpers.hpp"

using namespace kavro;

namespace {

std::int32_t box(StandardBox kind, const char* message) {
    return callQuietly(0, [&] { return showMessage(kind, message == nullptr ? "" : message); });
}

// The C host's control seen through the library's image-control interface. Loads go to the
// host's picture; a load that succeeded is remembered so the host can be told to redraw.
class HostImageControl : public ImageControl, private Picture {
  public:
    explicit HostImageControl(kavro_image_control& control)
        : control_(control), name_(AnsiString::share(control.name)) {}
    std::string componentName() const override { return name_.str(); }
    Picture& picture() override { return *this; }
    bool loaded() const { return loaded_; }

  private:
    void loadFromFile(const std::string& path) override {
        control_.picture->picture.loadFromFile(path);
        loaded_ = true;
    }

    kavro_image_control& control_;
    const AnsiString name_;
    bool loaded_ = false;
};

kavro_string** storeText(kavro_string** result, const std::string& text) {
    if (result != nullptr) ansi::assign(result, AnsiString(text).handle());
    return result;
}

}  // namespace

int32_t KAVRO_CALL _QuestionMessage(const char* message) {
    return box(StandardBox::Question, message);
}
int32_t KAVRO_CALL _QuestionMessageA(const char* message) {
    return box(StandardBox::QuestionA, message);
}
int32_t KAVRO_CALL _SuccessMessage(const char* message) {
    return box(StandardBox::Success, message);
}
int32_t KAVRO_CALL _SuccessMessageA(const char* message) {
    return box(StandardBox::SuccessA, message);
}
int32_t KAVRO_CALL _WarningMessage(const char* message) {
    return box(StandardBox::Warning, message);
}
int32_t KAVRO_CALL _WarningMessageA(const char* message) {
    return box(StandardBox::WarningA, message);
}
int32_t KAVRO_CALL _ErrorMessage(const char* message) {
    return box(StandardBox::Error, message);
}
int32_t KAVRO_CALL _ErrorMessageA(const char* message) {
    return box(StandardBox::ErrorA, message);
}

void KAVRO_CALL kavro_set_message_box_presenter(kavro_message_box_presenter presenter,
                                                void* context) {
    callQuietly(0, [&] {
        if (presenter == nullptr) {
            setMessageBoxPresenter({});
            return 0;
        }
        // The presenter's texts are zero-terminated copies of the request's.
        setMessageBoxPresenter([presenter, context](const MessageBoxRequest& request) {
            const std::string message(request.text);
            const std::string caption(request.caption);
            return presenter(context, message.c_str(), caption.c_str(), request.style);
        });
        return 0;
    });
}

bool KAVRO_CALL _TestRectContain_Joint(int32_t left1, int32_t top1, int32_t right1, int32_t bottom1,
                                       int32_t left2, int32_t top2, int32_t right2,
                                       int32_t bottom2) {
    return rectContainJoint({left1, top1, right1, bottom1}, {left2, top2, right2, bottom2});
}

bool KAVRO_CALL _TestRectsJointed(int32_t left1, int32_t top1, int32_t right1, int32_t bottom1,
                                  int32_t left2, int32_t top2, int32_t right2, int32_t bottom2) {
    return rectsJointed({left1, top1, right1, bottom1}, {left2, top2, right2, bottom2});
}

void KAVRO_CALL _ShowIcnUp_Down(kavro_string* directory, kavro_image_control* control, bool up) {
    const AnsiString dir = AnsiString::share(directory);
    callQuietly(0, [&] {
        if (control == nullptr || control->picture == nullptr) return 0;
        HostImageControl host(*control);
        showUpDownPicture(dir.view(), &host, up);
        if (host.loaded() && control->picture_changed != nullptr) control->picture_changed(control);
        return 0;
    });
}

kavro_string** KAVRO_CALL _TrimSpace(kavro_string** result, kavro_string* text) {
    const AnsiString input = AnsiString::share(text);
    return callQuietly(result, [&] { return storeText(result, trimSpace(input.view())); });
}

kavro_string** KAVRO_CALL _EncoderMessage(kavro_string** result, kavro_string* text) {
    const AnsiString input = AnsiString::share(text);
    return callQuietly(result, [&] { return storeText(result, encoderMessage(input.view())); });
}

uint32_t KAVRO_CALL _GeneratePassword(uint32_t seed, const char* text) {
    return generatePassword(seed, text == nullptr ? "" : text);
}
