// Message and progress windows of the table engine, through the UI port.
#include "tables/engine/engine_windows.h"

#include <algorithm>

#include "foundation/ui_services.h"

namespace veldrim {

TTzMsg::~TTzMsg() {
    if (visible_) {
        try {
            Ui().ShowMessageWindow("");
        } catch (...) {
        }
    }
}

void TTzMsg::ShowText(const std::string& msg) {
    if (!msg.empty()) text_ = msg;
    int w = static_cast<int>(text_.size()) * kCharWidth + kMargin;
    int h = kCharHeight + kMargin;
    const bool border = !caption_.empty();
    const bool borderChanged = border != hadBorder_;
    hadBorder_ = border;
    if (border) {
        h += kCaptionHeight;
        w = std::max(w, static_cast<int>(caption_.size()) * kSystemCharWidth + kMargin);
    }
    if (w > width_ || h > height_ || borderChanged) {
        width_ = std::max(w, width_);
        height_ = std::max(h, height_);
        visible_ = true;
    }
    Present();
}

void TTzMsg::Present() {
    Ui().ShowMessageWindow(text_);
    Ui().ProcessEvents();
}

TTzProgress100::TTzProgress100(const std::string& caption) {
    caption_ = caption;
    bar_ = std::string(100, '|');
    ShowText(bar_);
}

TTzProgress100::~TTzProgress100() {
    try {
        Ui().HideProgress();
    } catch (...) {
    }
}

void TTzProgress100::Step() {
    if (bar_.empty())
        bar_ = std::string(100, '|');
    else
        bar_.erase(0, 1);
    ShowText(bar_);
}

void TTzProgress100::Present() {
    Ui().ShowProgress(caption_, 100 - static_cast<int>(bar_.size()));
    Ui().ProcessEvents();
}

}  // namespace veldrim
