#pragma once
// Message and progress windows of the table engine, shown through the UI
// port: TTzMsg shows one line of text in a small stay-on-top box (the port's
// message window); TTzProgress100 shows a bar of 100 "|" characters that
// shrinks by one per step (the port's progress display).
//
// The window's size is kept as the text would need it in a nominal
// character cell, plus the margin: it grows for a longer text and never
// shrinks between texts.

#include <string>

namespace veldrim {

// `TTzMsg`: the table engine's (Tz) message window.
class TTzMsg {
public:
    TTzMsg() = default;
    virtual ~TTzMsg();
    TTzMsg(const TTzMsg&) = delete;
    TTzMsg& operator=(const TTzMsg&) = delete;

    // Shows msg, or the stored text again when msg is empty.
    void ShowText(const std::string& msg = {});

    const std::string& Text() const { return text_; }
    const std::string& Caption() const { return caption_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Visible() const { return visible_; }

    static constexpr int kMargin = 30;    // pixels around the text
    static constexpr int kCharWidth = 8;  // nominal character cell of the form's font
    static constexpr int kCharHeight = 16;
    static constexpr int kSystemCharWidth = 9;  // the caption font ("System")
    static constexpr int kCaptionHeight = 18;

protected:
    std::string caption_;
    virtual void Present();

private:
    std::string text_;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = false;
    bool hadBorder_ = false;
};

// `TTzProgress100`: the Tz progress window that counts to 100 percent.
class TTzProgress100 : public TTzMsg {
public:
    TTzProgress100() : TTzProgress100("Progress") {}
    explicit TTzProgress100(const std::string& caption);
    ~TTzProgress100() override;
    void Step();
    const std::string& Bar() const { return bar_; }

protected:
    void Present() override;

private:
    std::string bar_;
};

}  // namespace veldrim
