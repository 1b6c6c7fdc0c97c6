#include "kavro/message_box.hpp"
#include "kavro/picture.hpp"

namespace kavro {

std::string upDownPictureFile(std::string_view directory, std::string_view componentName, bool up) {
    const std::string_view stem = componentName.size() > 3 ? componentName.substr(3) : "";
    std::string file(directory);
    file.append(stem);
    file.append(up ? "Up.bmp" : "Down.bmp");
    return file;
}

void showUpDownPicture(std::string_view directory, ImageControl* control, bool up) {
    if (control == nullptr) return;
    bool loaded = false;
    try {
        control->picture().loadFromFile(upDownPictureFile(directory, control->componentName(), up));
        loaded = true;
    } catch (...) {
    }
    if (!loaded) showMessage(StandardBox::Error, kPictureNotFound);
}

}  // namespace kavro
