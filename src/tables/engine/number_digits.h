#pragma once
// A number as the digits a number field stores. A value that passes from one
// number field to another, or from a typed text into a field, goes as
// decimal digits: exact for every length a field may have, where a double
// (15 to 17 digits) or a 64-bit whole number (up to 9223372036854775807)
// would change its last digits or its value.

#include <string>
#include <string_view>

namespace veldrim {

struct FieldNumberDigits {
    enum Kind : unsigned char {
        fits,      // digits: what the field stores, right-aligned
        tooWide,   // the digits are longer than the field: it shows "*"
        noNumber,  // the text is no number
    };
    Kind kind = noNumber;
    std::string digits;
};

// The digits a number field of `length` characters with `decimals` places
// stores for the number in `text`: rounded to the places (a half to the even
// neighbour), "." as the point, a "-" only before a number that does not
// round to zero. The text may have blanks around it, a sign, digits with one
// "." and an exponent ("1e19", "2.5E-3"); anything else is no number.
// With `cut`, places beyond the field's are cut off instead.
FieldNumberDigits DigitsForField(std::string_view text, int length, int decimals, bool cut = false);

// The same for a number typed by the user: the first "," is the point, as
// everywhere a number is typed. The table editor's width check and the
// dataset's store of a typed number both read it through here.
FieldNumberDigits TypedDigitsForField(std::string_view text, int length, int decimals);

// What a number field `name` of `length` characters with `decimals` places
// says of a text typed into it that it cannot store as typed, in code page
// 850: the value and the field named, for a number too wide and for a text
// that is no number. "" for a number that fits and for a blank.
std::string RefusalOfTypedNumber(std::string_view text, std::string_view name, int length,
                                 int decimals);

}  // namespace veldrim
