#pragma once
// What a form gives back from its boxes. A form shows each value as a text
// rounded to what the display shows (three significant digits, shifted by the
// decimals setting: at 2 decimals a Poisson's ratio of 0.3 reads "0" and a
// density of 7.8 kg/dm³ "8"). A box whose text the user did not change gives
// back the value it was filled from, exactly, whatever the display rounded;
// only a changed box is read. Every form that shows values and reads them back
// goes through BoxValue, so OK without an edit leaves the data set as it was.

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "foundation/real.h"

namespace veldrim {

// The value of a box: `filled` while its text `now` still reads as it was
// `shown`, otherwise what `read` makes of the text.
template <class Text, class Value, class Read>
Value BoxValue(const Text& now, const Text& shown, const Value& filled, Read&& read) {
    if (now == shown) return filled;
    return std::forward<Read>(read)(now);
}

// The same for a box that must hold a number, which `parse` reads: nothing
// when a changed text is none (the caller says so and keeps the form open).
template <class Number>
std::optional<Number> NumberBoxValue(const std::string& now, const std::string& shown,
                                     Number filled, bool (*parse)(std::string_view, Number&)) {
    return BoxValue(now, shown, std::optional<Number>(filled),
                    [parse](const std::string& text) -> std::optional<Number> {
                        Number n{};
                        if (!parse(text, n)) return std::nullopt;
                        return n;
                    });
}

// A number box of a form: the text it was filled with and the exact value
// behind that text.
class NumberBox {
public:
    // Remembers value behind text and gives the text to show.
    const std::string& Fill(Real value, std::string text) {
        value_ = value;
        shown_ = std::move(text);
        return shown_;
    }
    // The box's value, now that it holds `now`: see BoxValue.
    Real Value(const std::string& now, Real (*read)(std::string_view)) const {
        return BoxValue(now, shown_, value_, read);
    }

private:
    Real value_ = 0;
    std::string shown_;
};

}  // namespace veldrim
