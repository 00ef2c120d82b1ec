// The numbers typed into the window's fields (cut times, crossfade,
// repetitions): a point or a comma as decimal separator, the whole text one
// finite number.
#pragma once
#include <string_view>


inline constexpr const char* kInvalidNumberMessage =
    "Introduce numeros validos en segundos; puedes usar punto o coma decimal.";

// The field's text as a number; leading blanks, a sign and an exponent are
// allowed, nothing after the number. Throws kInvalidNumberMessage.
double readNumberField(std::u16string_view text);
