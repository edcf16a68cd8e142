#pragma once
// Numbers as text that read back to the same bits, in one place (through
// portable/FloatChars.h, where a library lacks floating-point <charconv>),
// and text as a JSON string.
#include <optional>
#include <string>
#include <string_view>

namespace sandbox {

// The shortest decimal text that reads back as exactly `value` ("0.1",
// "-0", "17.03", "1e+20"). Independent of the locale.
std::string formatFloat(float value);

// The same value as a JSON number that a reader going through double
// precision (as nlohmann::json does) turns back into exactly `value`: a
// negative zero keeps its sign ("-0.0"), and the rare text whose double
// would round to a neighbouring float is written with more digits.
std::string jsonFloat(float value);

// A score as the player reads it, in the history's listing, its JSON and
// the window's progress view alike: rounded to three decimals, trailing
// zeros dropped ("8", "2.5", "9.563"), never "-0" (a value that rounds to
// zero is "0"), never an exponent. Locale-independent.
std::string roundedText(float value);
// The same rounded value as a number, for a JSON writer: its shortest text
// is roundedText's, and it is never a negative zero.
double roundedNumber(float value);

// The whole of `text` as a finite float; nullopt for anything else (blank,
// trailing characters, inf, nan, a leading '+').
std::optional<float> parseFloat(std::string_view text);

// The text as a JSON string on one line: in double quotes, with quotes,
// backslashes and control characters escaped. For the JSON the programs
// write and for quoting a user's text in a message.
std::string jsonString(std::string_view text);

}  // namespace sandbox
